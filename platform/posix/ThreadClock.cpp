#include "platform/ThreadClock.h"

#include <time.h>

namespace platform {

int64_t threadCPUTimeNs() {
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0;
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

}  // namespace platform
