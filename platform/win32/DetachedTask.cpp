#include "platform/win32/DetachedTask.h"

#include <windows.h>

#include <new>

namespace platform {

namespace {

struct Task {
  void (*function)(void*);
  void* context;
  HMODULE module;
};

DWORD WINAPI runTask(void* raw) {
  Task task = *static_cast<Task*>(raw);
  delete static_cast<Task*>(raw);
  task.function(task.context);
  // Drops our reference and ends the thread without returning into code that may be gone.
  if (task.module) FreeLibraryAndExitThread(task.module, 0);
  return 0;
}

}  // namespace

bool runDetached(void (*function)(void* context), void* context) {
  HMODULE module = nullptr;
  // Without GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT: one more reference, for the thread.
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&runTask),
                          &module))
    module = nullptr;
  Task* task = new (std::nothrow) Task{function, context, module};
  HANDLE thread = task ? CreateThread(nullptr, 0, runTask, task, 0, nullptr) : nullptr;
  if (!thread) {
    delete task;
    if (module) FreeLibrary(module);
    return false;
  }
  CloseHandle(thread);
  return true;
}

}  // namespace platform
