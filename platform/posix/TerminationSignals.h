// SIGINT and SIGTERM turned into a request that the main loop polls, so that an application
// quits the way it quits when its window closes (state saved, client closed) instead of
// dying where the signal found it. Linux only.
//
// Threads: one instance per process, made and destroyed on the main thread; requested() from
// any thread. The handler only stores a flag (async-signal-safe).
#pragma once

namespace platform {

class TerminationSignals {
public:
  // Installs the handlers; the destructor puts the previous ones back.
  TerminationSignals();
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // The number of the first signal that arrived, 0 while none has.
  static int requested();
  // As if `signal` had arrived (tests, and a window that closes).
  static void request(int signal);
};

}  // namespace platform
