// Windows backend of platform::Thread: CRT threads (_beginthreadex), joined by waiting on the
// thread's handle. Windows offers no safe way to stop a thread from outside (TerminateThread
// would leave the heap's and the loader's locks held by a dead thread), so cancel() raises an
// event that the blocking calls of this backend watch inside a CancellableRegion: see
// ThreadCancellation.h.
#include "platform/Thread.h"

#include <process.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/win32/ThreadCancellation.h"

namespace platform {

struct Thread::State {
  Function function = nullptr;
  void* context = nullptr;
  HANDLE cancelEvent = nullptr;  // manual-reset: stays raised once cancel() came
  std::atomic<DWORD> id{0};
  // Region depths; only the thread itself touches them.
  int cancellableDepth = 0;
  int nonCancellableDepth = 0;

  ~State() {
    if (cancelEvent) CloseHandle(cancelEvent);
  }
};

namespace {
static_assert(sizeof(HANDLE) <= 8, "thread handle storage too small");

HANDLE nativeHandle(const unsigned char* storage) {
  HANDLE h;
  std::memcpy(&h, storage, sizeof h);
  return h;
}

void setNativeHandle(unsigned char* storage, HANDLE h) { std::memcpy(storage, &h, sizeof h); }

// The State of the platform::Thread running on the calling thread, null on other threads.
// A TLS slot of the system rather than thread_local: reading it never allocates.
class CurrentThread {
public:
  CurrentThread() : index(TlsAlloc()) {}
  ~CurrentThread() {
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
  }
  CurrentThread(const CurrentThread&) = delete;
  CurrentThread& operator=(const CurrentThread&) = delete;

  Thread::State* get() const {
    return index == TLS_OUT_OF_INDEXES ? nullptr : static_cast<Thread::State*>(TlsGetValue(index));
  }
  void set(Thread::State* state) const {
    if (index != TLS_OUT_OF_INDEXES) TlsSetValue(index, state);
  }

private:
  DWORD index;
};

const CurrentThread& currentThread() {
  static const CurrentThread slot;
  return slot;
}

}  // namespace

HANDLE cancellationEvent() {
  Thread::State* state = currentThread().get();
  if (!state || state->cancellableDepth == 0 || state->nonCancellableDepth > 0) return nullptr;
  return state->cancelEvent;
}

Thread::Thread() { setNativeHandle(handle, nullptr); }

Thread::~Thread() {
  if (started) join(kInfinite);
}

void* Thread::trampoline(void* raw) {
  auto* keep = static_cast<std::shared_ptr<State>*>(raw);
  State& s = **keep;
  s.id.store(GetCurrentThreadId());
  currentThread().set(&s);
  s.function(s.context);
  currentThread().set(nullptr);
  delete keep;
  return nullptr;
}

int Thread::start(Function function, void* context) {
  if (started || !function) return EINVAL;
  std::shared_ptr<State> fresh;
  try {
    fresh = std::make_shared<State>();
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  fresh->function = function;
  fresh->context = context;
  fresh->cancelEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!fresh->cancelEvent) {
    DWORD error = GetLastError();
    return error != 0 ? static_cast<int>(error) : EAGAIN;
  }
  auto* keep = new (std::nothrow) std::shared_ptr<State>(fresh);
  if (!keep) return ENOMEM;
  // Published before the thread runs, so isCurrent() holds from its first instruction on.
  state = fresh;
  // A local class of a member function may call the private trampoline.
  struct Entry {
    static unsigned __stdcall run(void* raw) {
      Thread::trampoline(raw);
      return 0;
    }
  };
  unsigned id = 0;
  errno = 0;
  uintptr_t created = _beginthreadex(nullptr, 0, &Entry::run, keep, 0, &id);
  if (created == 0) {
    int error = errno != 0 ? errno : EAGAIN;
    delete keep;
    state.reset();
    return error;
  }
  state->id.store(id);
  setNativeHandle(handle, reinterpret_cast<HANDLE>(created));
  started = true;
  return 0;
}

bool Thread::join(int timeoutMs) {
  if (!started) return true;
  HANDLE thread = nativeHandle(handle);
  DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  if (WaitForSingleObject(thread, timeout) != WAIT_OBJECT_0) return false;
  CloseHandle(thread);
  setNativeHandle(handle, nullptr);
  started = false;
  state.reset();
  return true;
}

void Thread::cancel() {
  if (started) SetEvent(state->cancelEvent);
}

bool Thread::isCurrent() const { return state && state->id.load() == GetCurrentThreadId(); }

CancellableRegion::CancellableRegion() {
  Thread::State* s = currentThread().get();
  if (!s || s->nonCancellableDepth > 0) return;
  ++s->cancellableDepth;
  enabled = true;
}

CancellableRegion::~CancellableRegion() {
  if (!enabled) return;
  if (Thread::State* s = currentThread().get()) --s->cancellableDepth;
}

NonCancellableRegion::NonCancellableRegion() {
  if (Thread::State* s = currentThread().get()) ++s->nonCancellableDepth;
}

NonCancellableRegion::~NonCancellableRegion() {
  if (Thread::State* s = currentThread().get()) --s->nonCancellableDepth;
}

}  // namespace platform
