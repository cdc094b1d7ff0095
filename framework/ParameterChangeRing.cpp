#include "framework/ParameterChangeRing.h"

ParameterChangeRing::ParameterChangeRing(uint32_t count) : slots(new Slot[count]), mask(count - 1) {
  // A slot is free for the writer at position p when its sequence is p, and holds a
  // published change for the reader at position p when its sequence is p + 1.
  for (uint32_t i = 0; i < count; ++i) {
    slots[i].sequence.store(i, std::memory_order_relaxed);
    slots[i].change = {0, 0.0f, 0};
  }
}

bool ParameterChangeRing::push(int32_t index, float value, uint32_t stamp) {
  uint32_t position = writePosition.load(std::memory_order_relaxed);
  for (;;) {
    Slot& slot = slots[position & mask];
    uint32_t sequence = slot.sequence.load(std::memory_order_acquire);
    auto lead = static_cast<int32_t>(sequence - position);
    if (lead < 0) return false;  // the reader has not freed this slot yet: full
    if (lead > 0) {               // another writer took it: look again
      position = writePosition.load(std::memory_order_relaxed);
      continue;
    }
    // One slot stays unused, so that at most `mask` changes wait.
    if (position - readPosition.load(std::memory_order_acquire) >= mask) return false;
    if (writePosition.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
      slot.change = {index, value, stamp};
      slot.sequence.store(position + 1, std::memory_order_release);
      return true;
    }
    // compare_exchange_weak reloaded position.
  }
}

bool ParameterChangeRing::pop(Change& out) {
  uint32_t position = readPosition.load(std::memory_order_relaxed);
  Slot& slot = slots[position & mask];
  if (slot.sequence.load(std::memory_order_acquire) != position + 1) return false;
  out = slot.change;
  // Free the slot for the writer that comes round the ring to it next.
  slot.sequence.store(position + mask + 1, std::memory_order_release);
  readPosition.store(position + 1, std::memory_order_release);
  return true;
}

uint32_t ParameterChangeRing::countWaiting() const {
  return writePosition.load(std::memory_order_acquire) - readPosition.load(std::memory_order_relaxed);
}
