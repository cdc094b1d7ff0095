// Windows backend of the auto-reset event: a kernel event object. WaitForMultipleObjects
// reports the lowest signalled position and resets only the object it reports, which is the
// contract of waitAny.
#include "platform/Event.h"

#include <windows.h>

#include "platform/win32/ThreadCancellation.h"

namespace platform {

namespace {

constexpr int kMaxEvents = 8;

HANDLE native(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

Event::Event() {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  handle = event ? reinterpret_cast<intptr_t>(event) : -1;
}

Event::~Event() {
  if (handle >= 0) CloseHandle(native(handle));
}

void Event::signal() {
  if (handle >= 0) SetEvent(native(handle));
}

bool Event::wait(int timeoutMs) {
  Event* self = this;
  return waitAny(&self, 1, timeoutMs) == 0;
}

int Event::waitAny(Event* const* events, int count, int timeoutMs) {
  if (count < 0) count = 0;
  if (count > kMaxEvents) count = kMaxEvents;
  HANDLE handles[kMaxEvents + 1];
  int positions[kMaxEvents + 1];
  DWORD used = 0;
  // A cancelled thread stops waiting: its event goes first, so it wins over the others.
  if (HANDLE cancel = cancellationEvent()) {
    handles[used] = cancel;
    positions[used++] = kTimedOut;
  }
  // Events that could not be created are never signalled: they are left out of the wait.
  for (int i = 0; i < count; ++i) {
    if (!events[i] || !events[i]->valid()) continue;
    handles[used] = native(events[i]->handle);
    positions[used++] = i;
  }
  DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  if (used == 0) {
    Sleep(timeout);
    return kTimedOut;
  }
  DWORD result = WaitForMultipleObjects(used, handles, FALSE, timeout);
  if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + used) return positions[result - WAIT_OBJECT_0];
  return kTimedOut;
}

}  // namespace platform
