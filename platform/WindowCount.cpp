#include "platform/WindowCount.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<int> windows{0};
}

int WindowCount::added() { return windows.fetch_add(1); }

int WindowCount::removed() {
  int now = windows.load();
  while (now > 0 && !windows.compare_exchange_weak(now, now - 1)) {
  }
  return now > 0 ? now - 1 : 0;
}

int WindowCount::current() { return windows.load(); }

}  // namespace platform
