// Linux backend of the settings store: one file per key path under $XDG_CONFIG_HOME
// (default ~/.config). A leading "Software" stands for that folder itself, the middle
// names are folders and the last one names the file: {"Software", "Halvercast",
// "com.halvercastlabs.Quorvella"} is ~/.config/Halvercast/com.halvercastlabs.Quorvella.conf.
#include "platform/SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform/FileSystem.h"
#include "platform/posix/SettingsFile.h"
#include "platform/posix/SettingsLock.h"

namespace platform {

namespace {

constexpr size_t kTextBufferSize = 256;  // a text and its terminating zero must fit
// A write takes milliseconds; a writer that holds the lock this long is stuck, and a
// preferences write gives up rather than freeze its caller.
constexpr int kLockTimeoutMs = 5000;

// Serialises read-modify-write cycles within the process without polling; the lock file
// does the same across processes.
std::mutex& writeLock() {
  static std::mutex lock;
  return lock;
}

// Folder and file of a key path; false when there is nowhere to keep it.
bool locate(const std::vector<std::string>& keyPath, std::string& folder, std::string& file) {
  size_t first = !keyPath.empty() && keyPath[0] == "Software" ? 1 : 0;
  if (keyPath.size() <= first) return false;
  folder = xdgBaseFolder("XDG_CONFIG_HOME", "/.config");
  if (folder.empty()) return false;
  for (size_t i = first; i < keyPath.size(); ++i) {
    const std::string& part = keyPath[i];
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos)
      return false;
    if (i + 1 < keyPath.size()) folder += "/" + part;
  }
  file = folder + "/" + keyPath.back() + ".conf";
  return true;
}

enum class ReadResult { kRead, kMissing, kFailed };

// Only a regular file is ever opened: a FIFO at the path would block open() until some
// writer came, and a device could do anything. The check before opening keeps devices
// closed; the non-blocking open and the check after it cover a file swapped in between.
ReadResult readWhole(const std::string& path, std::string& content) {
  content.clear();
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  if (!S_ISREG(info.st_mode)) return ReadResult::kFailed;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  ReadResult result = ReadResult::kRead;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) result = ReadResult::kFailed;
  char buffer[4096];
  // One byte more than a valid file may hold, so an oversized file shows as damaged.
  while (result == ReadResult::kRead && content.size() <= SettingsFile::kMaxSize) {
    ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result = ReadResult::kFailed;
    if (n <= 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return result;
}

// The parsed file, or empty values when it is missing, unreadable or damaged.
SettingsFile load(const std::vector<std::string>& keyPath) {
  SettingsFile file;
  std::string folder, path, content;
  if (locate(keyPath, folder, path) && readWhole(path, content) == ReadResult::kRead)
    file.parse(content);
  return file;
}

bool makeFolders(const std::string& folder) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder[at] != '/') continue;
    std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat info;
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeAll(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes content to a temporary file beside path and renames it over path, so the file
// holds either the old or the new content whatever happens in between.
bool replaceAtomically(const std::string& path, const std::string& content, mode_t mode) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, content) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

void syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

SettingsStore::SettingsStore(std::vector<std::string> keyPath) : keyPath(std::move(keyPath)) {}

std::string SettingsStore::location() const {
  std::string folder, path;
  return locate(keyPath, folder, path) ? path : std::string();
}

std::string SettingsStore::damage() const {
  SettingsFile file;
  std::string folder, path, content;
  if (!locate(keyPath, folder, path) || readWhole(path, content) != ReadResult::kRead ||
      file.parse(content))
    return {};
  return path + ", " + file.damage();
}

bool SettingsStore::readNumber(const std::string& name, int32_t& value) const {
  SettingsFile file = load(keyPath);
  const SettingsFile::Value* stored = file.find(name);
  if (!stored) return false;
  std::string bytes = stored->bytes();
  if (bytes.size() > 4) return false;
  uint32_t u = 0;
  for (size_t i = 0; i < bytes.size(); ++i) u |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  value = static_cast<int32_t>(u);
  return true;
}

bool SettingsStore::readText(const std::string& name, std::string& text) const {
  SettingsFile file = load(keyPath);
  const SettingsFile::Value* stored = file.find(name);
  if (!stored) return false;
  std::string bytes = stored->bytes();
  if (bytes.size() > kTextBufferSize) return false;
  text = bytes.substr(0, bytes.find('\0'));
  return true;
}

bool SettingsStore::writeNumber(const std::string& name, int32_t value) const {
  std::string folder, path;
  if (!SettingsFile::isValidName(name) || !locate(keyPath, folder, path)) return false;
  std::lock_guard<std::mutex> guard(writeLock());
  if (!makeFolders(folder)) return false;
  // Another process writing at the same time would otherwise read the same old content
  // and rename its version over ours (or ours over its), losing one of the two values.
  // Without a usable lock file (a folder that allows none) the write goes on as before.
  SettingsLock processes(path + ".lock", kLockTimeoutMs);
  if (processes.state() == SettingsLock::State::kBusy) return false;

  // Write through a link to the file it points at, so a linked settings file stays linked.
  char resolved[PATH_MAX];
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
      ::realpath(path.c_str(), resolved))
    path = resolved;

  std::string content;
  SettingsFile file;
  mode_t mode = 0600;
  switch (readWhole(path, content)) {
    case ReadResult::kFailed: return false;  // never replace values we could not read
    case ReadResult::kMissing: break;
    case ReadResult::kRead:
      if (::stat(path.c_str(), &info) == 0) mode = info.st_mode & 07777;
      // A damaged file is kept aside for the user, then replaced by a good one.
      if (!file.parse(content)) ::rename(path.c_str(), (path + ".damaged").c_str());
      break;
  }
  file.setNumber(name, value);
  std::string comment = "Preferences of ";
  for (size_t i = 0; i < keyPath.size(); ++i) comment += (i ? "/" : "") + keyPath[i];
  if (!replaceAtomically(path, file.format(comment), mode)) return false;
  syncFolder(path.substr(0, path.rfind('/')));
  return true;
}

}  // namespace platform
