#include "platform/ThreadClock.h"

#include <windows.h>

namespace platform {

namespace {
int64_t hundredNanoseconds(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
}  // namespace

int64_t threadCPUTimeNs() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  return (hundredNanoseconds(kernel) + hundredNanoseconds(user)) * 100;
}

}  // namespace platform
