// Windows backend of the mutex: a slim reader/writer lock taken exclusively. Unlike a
// critical section it is not recursive, so tryLock by the holder fails as it does on Linux,
// and it needs no clean-up.
#include "platform/Mutex.h"

#include <windows.h>

#include <new>

namespace platform {

namespace {
static_assert(sizeof(SRWLOCK) <= 64, "storage too small for SRWLOCK");
static_assert(alignof(SRWLOCK) <= 8, "storage alignment too small");

SRWLOCK* native(unsigned char* storage) { return std::launder(reinterpret_cast<SRWLOCK*>(storage)); }
}  // namespace

Mutex::Mutex() { InitializeSRWLock(new (storage) SRWLOCK); }

Mutex::~Mutex() {}

void Mutex::lock() { AcquireSRWLockExclusive(native(storage)); }

bool Mutex::tryLock() { return TryAcquireSRWLockExclusive(native(storage)) != 0; }

void Mutex::unlock() { ReleaseSRWLockExclusive(native(storage)); }

}  // namespace platform
