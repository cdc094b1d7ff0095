// Holds a platform::Mutex for the life of the object: released on every way out of the
// scope, exceptions included.
#pragma once

#include "platform/Mutex.h"

namespace platform {

class ScopedLock {
public:
  explicit ScopedLock(Mutex& mutex) : mutex(mutex) { mutex.lock(); }
  ~ScopedLock() { mutex.unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

private:
  Mutex& mutex;
};

}  // namespace platform
