#include "platform/posix/SettingsLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {

namespace {
constexpr int kRetryMs = 2;
}

SettingsLock::SettingsLock(const std::string& lockPath, int timeoutMs) {
  // Non-blocking open: whatever sits at the path (a FIFO, a device) cannot stall us here.
  fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    fd = -1;
    return;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      current = State::kHeld;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) break;  // no locking on this file system
    if (std::chrono::steady_clock::now() >= deadline) {
      current = State::kBusy;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
  }
  ::close(fd);
  fd = -1;
}

SettingsLock::~SettingsLock() {
  if (fd >= 0) ::close(fd);  // closing the only descriptor releases the lock
}

}  // namespace platform
