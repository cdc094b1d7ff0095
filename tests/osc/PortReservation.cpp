#include "PortReservation.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <string>

#include "OSCTestSupport.h"
#include "support/TestFiles.h"

namespace osctest {

namespace {

// Below the ports that tests name themselves (7000 and up, the default base) stays clear.
constexpr int kLowest = 10000;
constexpr int kHighest = 65535;

// The kernel's range for sockets bound to port 0.
void ephemeralRange(int& low, int& high) {
  low = 32768;
  high = 60999;
  std::ifstream in("/proc/sys/net/ipv4/ip_local_port_range");
  int l = 0, h = 0;
  if (in >> l >> h && l > 0 && h >= l) {
    low = l;
    high = h;
  }
}

// One folder for the whole machine: ports are the machine's, not a build's. Open to every
// user, like /tmp itself, since tests of other users take ports too.
std::string lockFolder() {
  static const std::string folder = [] {
    for (const std::string& root : {std::string("/tmp"), testsupport::temporaryFolder()}) {
      std::string path = root + "/quorvella-test-ports";
      ::mkdir(path.c_str(), 01777);
      struct stat info;
      if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(path.c_str(), W_OK) == 0) {
        ::chmod(path.c_str(), 01777);
        return path;
      }
    }
    throw std::runtime_error("no folder for port lock files");
  }();
  return folder;
}

bool outsideEphemeral(int blockBase, int low, int high) {
  int last = blockBase + PortReservation::kBlockSize - 1;
  return last < low || blockBase > high;
}

}  // namespace

PortReservation::PortReservation() {
  int low, high;
  ephemeralRange(low, high);
  const int blocks = (kHighest + 1 - kLowest) / kBlockSize;
  // Different processes start at different places, so they rarely contend for one block.
  static std::atomic<unsigned> calls{0};
  unsigned start = static_cast<unsigned>(::getpid()) * 2654435761u + calls++ * 40503u;
  for (int k = 0; k < blocks; ++k) {
    int blockBase = kLowest + static_cast<int>((start + static_cast<unsigned>(k)) % static_cast<unsigned>(blocks)) * kBlockSize;
    if (outsideEphemeral(blockBase, low, high) && claim(blockBase)) return;
  }
  throw std::runtime_error("no free block of UDP ports");
}

PortReservation::PortReservation(int port) {
  claim(port - port % kBlockSize);
}

PortReservation::~PortReservation() {
  if (fd >= 0) ::close(fd);
}

bool PortReservation::claim(int blockBase) {
  std::string path = lockFolder() + "/udp-" + std::to_string(blockBase) + ".lock";
  // Read-only is enough for flock, and works on a lock file that another user created.
  int lock = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
  if (lock < 0) return false;
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock);
    return false;
  }
  // Held by something that is no test of ours (or a test that leaked a socket): skip it.
  for (int port = blockBase; port < blockBase + kBlockSize; ++port) {
    if (port < 1 || port > kHighest || portInUse(port)) {
      ::close(lock);
      return false;
    }
  }
  fd = lock;
  base = blockBase;
  return true;
}

}  // namespace osctest
