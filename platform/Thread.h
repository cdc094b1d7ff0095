// A thread of the operating system that runs one function, with a join that gives up
// after a time-out.
//
// Threads started here cannot be cancelled while they run ordinary code; cancel() takes
// effect only inside a CancellableRegion (around a call that may block for a long time,
// such as a host-name lookup). So a thread that is cancelled never unwinds out of the
// middle of a destructor or a lock. A thread that never enters such a region runs on
// after cancel() until it ends by itself. What "takes effect" means differs:
// - Linux: the thread ends at the next blocking system call inside the region, unwinding
//   its stack as an exception would.
// - Windows, where no thread can be ended safely from outside: nothing is unwound. Inside
//   the region the blocking calls of this layer (Event::wait and waitAny, resolveIPv4)
//   return at once as timed out or failed, and keep doing so; the thread's own code sees a
//   failure and must come to its end by itself (the callers here then find their quit
//   events and return). A lookup so abandoned finishes on a helper thread of its own.
//
// Never join a thread from a library's unload (static destructors of a DLL): on Windows a
// thread's end waits for the loader lock that the unload holds.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

class Thread {
public:
  typedef void (*Function)(void* context);
  static constexpr int kInfinite = -1;

  Thread();
  // A thread still running is waited for (without time-out) before the object goes.
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts function(context) on a new thread. 0 on success, otherwise the system's error
  // code (and nothing started). Fails with a nonzero code when a thread was started and
  // not yet joined.
  int start(Function function, void* context);
  // True from a successful start until a join that saw the thread end.
  bool joinable() const { return started; }
  // Waits up to timeoutMs (kInfinite: without limit) for the thread to end. True when it
  // has ended (the thread is then released); false when the time ran out.
  bool join(int timeoutMs);
  // Asks the thread to end at its next CancellableRegion (or at once when it is in one);
  // see above for what that means on each system. Cancelling stays in force.
  void cancel();

  // True when the calling thread is this one.
  bool isCurrent() const;

  // Shared between the object and its thread (opaque outside the backend).
  struct State;

private:
  static void* trampoline(void* state);

  std::shared_ptr<State> state;
  alignas(8) unsigned char handle[8];
  bool started = false;
};

// While an object of this class lives, the current thread may be cancelled by
// Thread::cancel() at blocking calls. Harmless on threads that nobody cancels and on
// threads not started by platform::Thread. Inside a NonCancellableRegion it does nothing.
class CancellableRegion {
public:
  CancellableRegion();
  ~CancellableRegion();
  CancellableRegion(const CancellableRegion&) = delete;
  CancellableRegion& operator=(const CancellableRegion&) = delete;

private:
  int previous = 0;
  bool enabled = false;
};

// While an object of this class lives, no CancellableRegion on the current thread lets a
// cancellation in: for stretches of code, such as a call into a script interpreter, that
// cannot be unwound from the middle without leaving their own state broken. A cancel()
// meanwhile takes effect at the next CancellableRegion after the stretch.
class NonCancellableRegion {
public:
  NonCancellableRegion();
  ~NonCancellableRegion();
  NonCancellableRegion(const NonCancellableRegion&) = delete;
  NonCancellableRegion& operator=(const NonCancellableRegion&) = delete;
};

}  // namespace platform
