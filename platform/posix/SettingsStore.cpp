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
#include "platform/posix/SmallFile.h"

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

// The parsed file, or empty values when it is missing, unreadable or damaged.
SettingsFile load(const std::vector<std::string>& keyPath) {
  SettingsFile file;
  std::string folder, path, content;
  if (locate(keyPath, folder, path) &&
      SmallFile::read(path, SettingsFile::kMaxSize, content) == SmallFile::ReadResult::kRead)
    file.parse(content);
  return file;
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
  if (!locate(keyPath, folder, path) ||
      SmallFile::read(path, SettingsFile::kMaxSize, content) != SmallFile::ReadResult::kRead ||
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
  if (!SmallFile::makeFolders(folder)) return false;
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
  switch (SmallFile::read(path, SettingsFile::kMaxSize, content)) {
    case SmallFile::ReadResult::kFailed: return false;  // never replace values we could not read
    case SmallFile::ReadResult::kMissing: break;
    case SmallFile::ReadResult::kRead:
      if (::stat(path.c_str(), &info) == 0) mode = info.st_mode & 07777;
      // A damaged file is kept aside for the user, then replaced by a good one.
      if (!file.parse(content)) ::rename(path.c_str(), (path + ".damaged").c_str());
      break;
  }
  file.setNumber(name, value);
  std::string comment = "Preferences of ";
  for (size_t i = 0; i < keyPath.size(); ++i) comment += (i ? "/" : "") + keyPath[i];
  return SmallFile::replace(path, file.format(comment), mode);
}

}  // namespace platform
