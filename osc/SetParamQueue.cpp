#include "osc/SetParamQueue.h"

#include <cstdio>

namespace HC {

namespace {
constexpr char kOverflow[] = "OSCHelper::SetParamQueue::Write() overflow\n";
}  // namespace

SetParamQueue::SetParamQueue() = default;

bool SetParamQueue::Write(int32_t index, float value) {
  if (ring.push(index, value)) return true;
  overflows.fetch_add(1, std::memory_order_relaxed);
  return false;
}

bool SetParamQueue::Read(Slot& out) { return ring.pop(out); }

uint32_t SetParamQueue::reportOverflows() {
  uint32_t count = overflows.exchange(0, std::memory_order_relaxed);
  for (uint32_t i = 0; i < count; ++i) std::fputs(kOverflow, stderr);
  if (count > 0) std::fflush(stderr);
  return count;
}

void SetParamQueue::clear() {
  Slot dropped;
  while (ring.pop(dropped)) {
  }
}

}  // namespace HC
