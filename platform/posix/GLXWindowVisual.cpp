#include "platform/posix/GLXWindowVisual.h"

#include <GL/glx.h>
#include <X11/Xutil.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/posix/GLXConfigs.h"

namespace platform {

namespace {

struct Known {
  VisualID id;
  int depth;
};

// One entry per server and screen a process ever opened an editor on: a handful at most.
std::mutex& tableLock() {
  static std::mutex lock;
  return lock;
}
std::map<std::string, Known>& table() {
  static std::map<std::string, Known> known;
  return known;
}

// The same display name may later belong to another server; its vendor and release and
// the screen's root window tell most of those apart, and a visual that no longer fits is
// caught by the check in find().
std::string keyOf(Display* display, int screen) {
  const char* vendor = ServerVendor(display);
  return std::string(DisplayString(display)) + '\n' + std::to_string(screen) + '\n' +
         (vendor ? vendor : "") + '\n' + std::to_string(VendorRelease(display)) + '\n' +
         std::to_string(RootWindow(display, screen));
}

// The TrueColor visual with that id and depth on the screen, or null.
Visual* plainVisual(Display* display, int screen, const Known& known) {
  XVisualInfo wanted{};
  wanted.visualid = known.id;
  wanted.screen = screen;
  int count = 0;
  XVisualInfo* infos =
      XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &wanted, &count);
  Visual* visual = nullptr;
  if (infos != nullptr && count > 0 && infos[0].depth == known.depth &&
      infos[0].c_class == TrueColor)
    visual = infos[0].visual;
  if (infos != nullptr) XFree(infos);
  return visual;
}

}  // namespace

bool GLXWindowVisual::find(Display* display, int screen, Visual*& visual, int& depth) {
  if (display == nullptr || screen < 0 || screen >= ScreenCount(display)) return false;
  const std::string key = keyOf(display, screen);
  {
    std::lock_guard<std::mutex> guard(tableLock());
    auto found = table().find(key);
    if (found != table().end()) {
      if (Visual* plain = plainVisual(display, screen, found->second)) {
        visual = plain;
        depth = found->second.depth;
        return true;
      }
      table().erase(found);
    }
  }
  // Outside the lock: this is the slow part, and other threads ask their own connections.
  GLXFBConfig config = GLXConfigs::window(display, screen);
  if (config == nullptr) return false;
  XVisualInfo* info = glXGetVisualFromFBConfig(display, config);
  if (info == nullptr) return false;
  visual = info->visual;
  depth = info->depth;
  Known known{info->visualid, info->depth};
  XFree(info);
  std::lock_guard<std::mutex> guard(tableLock());
  table()[key] = known;
  return true;
}

void GLXWindowVisual::forget() {
  std::lock_guard<std::mutex> guard(tableLock());
  table().clear();
}

}  // namespace platform
