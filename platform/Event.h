// An auto-reset event: a flag that one thread raises and a waiting thread consumes. A
// signal while nobody waits is kept until the next wait; several signals before a wait
// count as one. Waiting for any of several events takes the lowest signalled one.
//
// signal() is safe from any thread, including real-time threads: it neither allocates nor
// takes a lock. An Event must outlive every thread that may signal or wait on it.
#pragma once

#include <cstdint>

namespace platform {

class Event {
public:
  static constexpr int kInfinite = -1;  // time-out: wait for as long as it takes
  static constexpr int kTimedOut = -1;  // result of waitAny when no event came

  // Not signalled. valid() is false when the system could not create it; such an event
  // is never signalled and waiting on it alone returns at the time-out.
  Event();
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  bool valid() const { return handle >= 0; }

  void signal();
  // Waits up to timeoutMs (kInfinite: without limit); true when the event came, which
  // resets it.
  bool wait(int timeoutMs);
  // Waits until one of count events is signalled, resets that one and returns its
  // position; the lowest position wins when several are signalled. kTimedOut after
  // timeoutMs (kInfinite: without limit).
  static int waitAny(Event* const* events, int count, int timeoutMs);

private:
  intptr_t handle = -1;
};

}  // namespace platform
