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
  // A read-modify-write, as in pendingAfterRelease(): see there.
  tail.fetch_add(1, std::memory_order_acq_rel);
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

bool MIDIEventQueue::pendingAfterRelease() {
  // Both sides touch tail with read-modify-writes, which read the latest value. If the
  // producer's push comes first, this sees it; if this comes first, the push reads from it,
  // so the lock release before this call happens before the producer's following tryLock,
  // which then succeeds and lets the producer dispatch its messages itself.
  size_t t = tail.fetch_add(0, std::memory_order_acq_rel);
  return t != head.load(std::memory_order_acquire);
}

}  // namespace HC
