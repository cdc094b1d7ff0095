// A plain (non-recursive) mutual-exclusion lock of the operating system. Callers that
// must never wait use tryLock.
#pragma once

#include <cstddef>

namespace platform {

class Mutex {
public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock();
  // Takes the lock only when it is free at once; true when taken.
  bool tryLock();
  void unlock();

private:
  // Storage for the system's lock object, so that this header needs no system header.
  static constexpr size_t kStorageSize = 64;
  alignas(8) unsigned char storage[kStorageSize];
};

}  // namespace platform
