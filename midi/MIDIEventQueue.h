// A fixed ring of MIDI channel messages (status and two data bytes) between one producer,
// the host's event thread when the script lock is busy, and one consumer at a time, the
// holder of the script lock. Allocated once at construction; pushing and popping never
// allocate, lock or wait.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace HC {

class MIDIEventQueue {
public:
  static constexpr size_t kCapacity = 4096;  // a power of two

  MIDIEventQueue();

  // Producer. False, and the message counted as dropped, when the queue is full.
  bool push(uint8_t status, uint8_t data1, uint8_t data2);
  // Consumer. False when empty.
  bool pop(uint8_t& status, uint8_t& data1, uint8_t& data2);
  // Called by the lock's holder right after releasing the lock: true when messages are
  // waiting that the producer may have left behind (it found the lock still taken).
  bool pendingAfterRelease();
  uint64_t dropped() const { return droppedCount.load(std::memory_order_relaxed); }
  // True when nothing waits. From the producer, exact but for messages being popped.
  bool empty() const {
    return head.load(std::memory_order_acquire) == tail.load(std::memory_order_acquire);
  }

private:
  static_assert((kCapacity & (kCapacity - 1)) == 0, "capacity must be a power of two");

  std::unique_ptr<uint32_t[]> slots;
  std::atomic<size_t> head{0};  // next slot to read; written by the consumer
  std::atomic<size_t> tail{0};  // next slot to write; written by the producer
  std::atomic<uint64_t> droppedCount{0};
};

}  // namespace HC
