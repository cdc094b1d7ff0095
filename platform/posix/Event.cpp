// Linux backend of the auto-reset event: an eventfd per event. Signalling adds to its
// counter (one system call, no lock), waiting polls the descriptors and consumes the
// counter of the one it takes.
#include "platform/Event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace platform {

namespace {

constexpr int kMaxEvents = 8;

// Consumes the event's counter; false when another waiter took it first.
bool consume(intptr_t handle) {
  uint64_t value = 0;
  return ::read(static_cast<int>(handle), &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

}  // namespace

Event::Event() { handle = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

Event::~Event() {
  if (handle >= 0) ::close(static_cast<int>(handle));
}

void Event::signal() {
  if (handle < 0) return;
  uint64_t one = 1;
  // Fails only when the counter is at its maximum, which leaves the event signalled.
  ssize_t written = ::write(static_cast<int>(handle), &one, sizeof one);
  (void)written;
}

bool Event::wait(int timeoutMs) {
  Event* self = this;
  return waitAny(&self, 1, timeoutMs) == 0;
}

int Event::waitAny(Event* const* events, int count, int timeoutMs) {
  if (count < 0) count = 0;
  if (count > kMaxEvents) count = kMaxEvents;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  pollfd fds[kMaxEvents];
  for (;;) {
    for (int i = 0; i < count; ++i) {
      fds[i].fd = events[i] && events[i]->handle >= 0 ? static_cast<int>(events[i]->handle) : -1;
      fds[i].events = POLLIN;
      fds[i].revents = 0;
    }
    int wait = -1;
    if (timeoutMs >= 0) {
      // Rounded up: a remainder under a millisecond truncated to 0 would spin in poll
      // until the deadline, at the end of every timed wait.
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    int ready = ::poll(fds, static_cast<nfds_t>(count), wait);
    if (ready < 0 && errno != EINTR) return kTimedOut;
    if (ready > 0) {
      for (int i = 0; i < count; ++i)
        if ((fds[i].revents & POLLIN) && consume(events[i]->handle)) return i;
    }
    if (timeoutMs >= 0 && Clock::now() >= deadline) return kTimedOut;
  }
}

}  // namespace platform
