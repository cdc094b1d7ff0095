// How Thread::cancel() reaches a thread on Windows, where no thread can be stopped safely
// from outside: cancel() raises an event of the thread's own, and the blocking calls of this
// backend (event waits, name lookups) wait for that event as well while the thread is inside
// a CancellableRegion, and return as failed once it comes. The thread's code then sees an
// ordinary failure and comes to its end by its own way.
//
// Threading: each thread asks about itself.
#pragma once

#include <windows.h>

namespace platform {

// The event that a cancel() of the calling thread raises, when a cancellation may take effect
// now: the caller is a platform::Thread inside a CancellableRegion and outside every
// NonCancellableRegion. Null otherwise. Once raised, the event stays raised.
HANDLE cancellationEvent();

}  // namespace platform
