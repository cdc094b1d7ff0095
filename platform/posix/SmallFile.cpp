#include "platform/posix/SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {

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

void syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

// Only a regular file is ever opened: a FIFO at the path would block open() until some
// writer came, and a device could do anything. The check before opening keeps devices
// closed; the non-blocking open and the check after it cover a file swapped in between.
SmallFile::ReadResult SmallFile::read(const std::string& path, size_t maxSize,
                                      std::string& content) {
  content.clear();
  struct stat info;
  if (::stat(path.c_str(), &info) != 0)
    return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  if (!S_ISREG(info.st_mode)) return ReadResult::kFailed;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  ReadResult result = ReadResult::kRead;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) result = ReadResult::kFailed;
  char buffer[4096];
  // One byte more than a valid file may hold, so an oversized file shows as damaged.
  while (result == ReadResult::kRead && content.size() <= maxSize) {
    ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result = ReadResult::kFailed;
    if (n <= 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return result;
}

bool SmallFile::makeFolders(const std::string& folder) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder[at] != '/') continue;
    std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat info;
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool SmallFile::replace(const std::string& path, const std::string& content, unsigned mode) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, content) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  syncFolder(path.substr(0, path.rfind('/')));
  return true;
}

}  // namespace platform
