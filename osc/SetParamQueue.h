// The fixed queue through which the effect's host-facing parameter setter hands changes
// to the notification thread: 64 slots of (parameter index, plain value), one reader.
//
// The read position names the slot the reader took last, the write position the next
// slot to fill. Empty when the slot after the read position is the write position; full
// when the write position equals the read position, so at most 63 changes wait.
//
// Lock-free between the writer side and the one reader: each side publishes its position
// (a 32-bit store with release order) after it has filled or taken a slot. Writers on
// several threads are serialised among themselves by a short lock that the reader never
// takes; write() neither allocates nor waits for the reader.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Mutex.h"

namespace HC {

class SetParamQueue {
public:
  static constexpr int32_t kSlots = 64;

  struct Slot {
    int32_t index;
    float value;
  };

  SetParamQueue();
  SetParamQueue(const SetParamQueue&) = delete;
  SetParamQueue& operator=(const SetParamQueue&) = delete;

  // Appends a change. When the queue is full: writes
  // "OSCHelper::SetParamQueue::Write() overflow\n" to standard error and returns false.
  bool Write(int32_t index, float value);
  // The reader's side: takes the oldest change into out; false when the queue is empty.
  bool Read(Slot& out);
  // Drops every waiting change (writers may go on meanwhile).
  void clear();

private:
  Slot slots[kSlots];
  std::atomic<int32_t> readPosition;
  std::atomic<int32_t> writePosition;
  platform::Mutex writerLock;
};

}  // namespace HC
