#include "platform/Mutex.h"

#include <pthread.h>

#include <new>

namespace platform {

namespace {
static_assert(sizeof(pthread_mutex_t) <= 64, "storage too small for pthread_mutex_t");
static_assert(alignof(pthread_mutex_t) <= 8, "storage alignment too small");

pthread_mutex_t* native(unsigned char* storage) {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}
}  // namespace

Mutex::Mutex() { pthread_mutex_init(new (storage) pthread_mutex_t, nullptr); }

Mutex::~Mutex() { pthread_mutex_destroy(native(storage)); }

void Mutex::lock() { pthread_mutex_lock(native(storage)); }

bool Mutex::tryLock() { return pthread_mutex_trylock(native(storage)) == 0; }

void Mutex::unlock() { pthread_mutex_unlock(native(storage)); }

}  // namespace platform
