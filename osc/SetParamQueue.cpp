#include "osc/SetParamQueue.h"

#include <cstdio>

namespace HC {

namespace {
constexpr char kOverflow[] = "OSCHelper::SetParamQueue::Write() overflow\n";

int32_t next(int32_t position) { return position == SetParamQueue::kSlots - 1 ? 0 : position + 1; }
}  // namespace

SetParamQueue::SetParamQueue() : slots{}, readPosition(kSlots - 1), writePosition(0) {}

bool SetParamQueue::Write(int32_t index, float value) {
  writerLock.lock();
  int32_t write = writePosition.load(std::memory_order_relaxed);
  if (write == readPosition.load(std::memory_order_acquire)) {
    writerLock.unlock();
    std::fputs(kOverflow, stderr);
    std::fflush(stderr);
    return false;
  }
  slots[write].index = index;
  slots[write].value = value;
  writePosition.store(next(write), std::memory_order_release);
  writerLock.unlock();
  return true;
}

bool SetParamQueue::Read(Slot& out) {
  int32_t taken = next(readPosition.load(std::memory_order_relaxed));
  if (taken == writePosition.load(std::memory_order_acquire)) return false;
  out = slots[taken];
  readPosition.store(taken, std::memory_order_release);
  return true;
}

void SetParamQueue::clear() {
  writerLock.lock();
  int32_t write = writePosition.load(std::memory_order_relaxed);
  readPosition.store(write == 0 ? kSlots - 1 : write - 1, std::memory_order_release);
  writerLock.unlock();
}

}  // namespace HC
