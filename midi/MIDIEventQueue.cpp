#include "midi/MIDIEventQueue.h"

namespace HC {

MIDIEventQueue::MIDIEventQueue() : slots(new uint32_t[kCapacity]()) {}

bool MIDIEventQueue::push(uint8_t status, uint8_t data1, uint8_t data2) {
  size_t t = tail.load(std::memory_order_relaxed);
  if (t - head.load(std::memory_order_acquire) == kCapacity) {
    droppedCount.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  slots[t & (kCapacity - 1)] = static_cast<uint32_t>(status) | static_cast<uint32_t>(data1) << 8 |
                               static_cast<uint32_t>(data2) << 16;
  // Sequentially consistent: the producer then tests the lock, and the lock's holder tests
  // for queued messages after releasing it; one of the two must see the other.
  tail.store(t + 1, std::memory_order_seq_cst);
  return true;
}

bool MIDIEventQueue::pop(uint8_t& status, uint8_t& data1, uint8_t& data2) {
  size_t h = head.load(std::memory_order_relaxed);
  if (h == tail.load(std::memory_order_acquire)) return false;
  uint32_t packed = slots[h & (kCapacity - 1)];
  head.store(h + 1, std::memory_order_release);
  status = static_cast<uint8_t>(packed);
  data1 = static_cast<uint8_t>(packed >> 8);
  data2 = static_cast<uint8_t>(packed >> 16);
  return true;
}

bool MIDIEventQueue::empty() const {
  return head.load(std::memory_order_seq_cst) == tail.load(std::memory_order_seq_cst);
}

}  // namespace HC
