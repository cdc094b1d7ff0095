#include "platform/posix/TerminationSignals.h"

#include <signal.h>

#include <atomic>

namespace platform {

namespace {

std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only store lock-free");

struct sigaction previousInterrupt, previousTerminate;

void onSignal(int signal) {
  int none = 0;
  received.compare_exchange_strong(none, signal);
}

}  // namespace

TerminationSignals::TerminationSignals() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // Restart interrupted system calls: the main loop polls the flag anyway.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInterrupt);
  sigaction(SIGTERM, &action, &previousTerminate);
}

TerminationSignals::~TerminationSignals() {
  sigaction(SIGINT, &previousInterrupt, nullptr);
  sigaction(SIGTERM, &previousTerminate, nullptr);
}

int TerminationSignals::requested() { return received.load(); }

void TerminationSignals::request(int signal) { onSignal(signal); }

}  // namespace platform
