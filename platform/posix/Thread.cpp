// Linux backend of platform::Thread: POSIX threads. The thread starts with cancellation
// disabled; CancellableRegion enables deferred cancellation for a stretch of code. Joining
// with a time-out waits on a completion flag that the thread raises as its last act, then
// joins, so sanitizers see an ordinary join.
#include "platform/Thread.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>

namespace platform {

struct Thread::State {
  Function function = nullptr;
  void* context = nullptr;
  std::mutex lock;
  std::condition_variable ended;
  // Atomic as well as guarded: the thread sanitizer cannot follow the lock through the
  // unwinding of a cancelled thread.
  std::atomic<bool> done{false};
};

namespace {
static_assert(sizeof(pthread_t) <= 8, "thread handle storage too small");

pthread_t& native(unsigned char* storage) { return *std::launder(reinterpret_cast<pthread_t*>(storage)); }
const pthread_t& native(const unsigned char* storage) {
  return *std::launder(reinterpret_cast<const pthread_t*>(storage));
}

// Raises the completion flag when the thread function returns or the thread is cancelled.
void markEnded(void* raw) {
  auto* state = static_cast<std::shared_ptr<Thread::State>*>(raw);
  {
    std::lock_guard<std::mutex> guard((*state)->lock);
    (*state)->done = true;
  }
  (*state)->ended.notify_all();
  delete state;
}
}  // namespace

Thread::Thread() { new (handle) pthread_t(); }

Thread::~Thread() {
  if (started) join(kInfinite);
}

void* Thread::trampoline(void* raw) {
  int ignored;
  pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &ignored);
  pthread_setcanceltype(PTHREAD_CANCEL_DEFERRED, &ignored);
  auto* keep = static_cast<std::shared_ptr<State>*>(raw);
  State& s = **keep;
  pthread_cleanup_push(markEnded, keep);
  s.function(s.context);
  pthread_cleanup_pop(1);
  return nullptr;
}

int Thread::start(Function function, void* context) {
  if (started || !function) return EINVAL;
  try {
    state = std::make_shared<State>();
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  state->function = function;
  state->context = context;
  auto* keep = new (std::nothrow) std::shared_ptr<State>(state);
  if (!keep) return ENOMEM;
  int result = pthread_create(&native(handle), nullptr, trampoline, keep);
  if (result != 0) {
    delete keep;
    state.reset();
    return result;
  }
  started = true;
  return 0;
}

bool Thread::join(int timeoutMs) {
  if (!started) return true;
  {
    std::unique_lock<std::mutex> guard(state->lock);
    if (timeoutMs < 0) {
      state->ended.wait(guard, [this] { return state->done.load(); });
    } else if (!state->ended.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                      [this] { return state->done.load(); })) {
      return false;
    }
  }
  pthread_join(native(handle), nullptr);
  started = false;
  state.reset();
  return true;
}

void Thread::cancel() {
  if (started) pthread_cancel(native(handle));
}

bool Thread::isCurrent() const { return started && pthread_equal(native(handle), pthread_self()); }

namespace {
// Depth of the NonCancellableRegions open on this thread.
thread_local int nonCancellableDepth = 0;
}  // namespace

CancellableRegion::CancellableRegion() {
  if (nonCancellableDepth > 0) return;
  pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &previous);
  enabled = true;
}

CancellableRegion::~CancellableRegion() {
  if (!enabled) return;
  int ignored;
  pthread_setcancelstate(previous, &ignored);
}

NonCancellableRegion::NonCancellableRegion() { ++nonCancellableDepth; }

NonCancellableRegion::~NonCancellableRegion() { --nonCancellableDepth; }

}  // namespace platform
