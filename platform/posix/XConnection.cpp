#include "platform/posix/XConnection.h"

#include <mutex>
#include <vector>

// Xlib's internal header is needed only for the per-display error hook; it defines min
// and max as macros, so it comes after the standard headers and the macros go.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace platform {

namespace {

struct Record {
  Display* display;
  int firstError;
  bool dead;
};

// Connections of this process with their recorded errors. Errors are rare, so one lock for
// all of them costs nothing on the paths that matter.
std::mutex& tableLock() {
  static std::mutex lock;
  return lock;
}
std::vector<Record>& table() {
  static std::vector<Record> records;
  return records;
}

Record* find(Display* display) {
  for (Record& r : table())
    if (r.display == display) return &r;
  return nullptr;
}

// Xlib asks every extension hook of a display before the process-wide handler; answering
// nonzero suppresses the error there. Our private "extension" slot exists only for this.
int interceptError(Display* display, xError* error, XExtCodes*, int* result) {
  std::lock_guard<std::mutex> hold(tableLock());
  Record* r = find(display);
  if (r == nullptr) return 0;
  if (r->firstError == 0) r->firstError = error->errorCode;
  *result = 0;
  return 1;
}

void connectionLost(Display* display, void*) {
  std::lock_guard<std::mutex> hold(tableLock());
  if (Record* r = find(display)) r->dead = true;
}

}  // namespace

XConnection::XConnection() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return;
  XExtCodes* codes = XAddExtension(display_);
  if (codes == nullptr) {
    XCloseDisplay(display_);
    display_ = nullptr;
    return;
  }
  {
    std::lock_guard<std::mutex> hold(tableLock());
    table().push_back(Record{display_, 0, false});
  }
  XESetError(display_, codes->extension, interceptError);
  XSetIOErrorExitHandler(display_, connectionLost, nullptr);
}

XConnection::~XConnection() {
  if (display_ == nullptr) return;
  XCloseDisplay(display_);
  std::lock_guard<std::mutex> hold(tableLock());
  auto& records = table();
  for (size_t i = 0; i < records.size(); ++i)
    if (records[i].display == display_) {
      records.erase(records.begin() + static_cast<long>(i));
      break;
    }
}

bool XConnection::dead() const {
  if (display_ == nullptr) return true;
  std::lock_guard<std::mutex> hold(tableLock());
  Record* r = find(display_);
  return r != nullptr && r->dead;
}

int XConnection::takeError() {
  if (display_ == nullptr) return 0;
  if (!dead()) XSync(display_, False);
  std::lock_guard<std::mutex> hold(tableLock());
  Record* r = find(display_);
  if (r == nullptr) return 0;
  int code = r->firstError;
  r->firstError = 0;
  return code;
}

}  // namespace platform
