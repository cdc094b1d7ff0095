// The fixed queue through which the effect's host-facing parameter setter hands changes
// to the notification thread: 64 slots of (parameter index, plain value), at most 63 of
// them waiting, one reader.
//
// Threads: Write() from any thread, several at once, the host's audio thread included: it
// never allocates, never takes a lock and never waits, and it writes nothing to a stream.
// A refused change is only counted; the reader reports the count with reportOverflows().
// Read(), reportOverflows() and clear() on the notification thread (or while it is not
// running).
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/ParameterChangeRing.h"

namespace HC {

class SetParamQueue {
public:
  static constexpr int32_t kSlots = 64;

  using Slot = ParameterChangeRing::Change;

  SetParamQueue();
  SetParamQueue(const SetParamQueue&) = delete;
  SetParamQueue& operator=(const SetParamQueue&) = delete;

  // Appends a change; false when 63 changes wait already (the change is counted as an
  // overflow and not sent).
  bool Write(int32_t index, float value);
  // The reader's side: takes the oldest change into out; false when the queue is empty.
  bool Read(Slot& out);
  // Writes "OSCHelper::SetParamQueue::Write() overflow\n" to standard error once for every
  // change refused since the last call; the number of lines written.
  uint32_t reportOverflows();
  // Drops every waiting change.
  void clear();

private:
  ParameterChangeRing ring{kSlots};
  std::atomic<uint32_t> overflows{0};
};

}  // namespace HC
