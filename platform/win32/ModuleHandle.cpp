#include "platform/win32/ModuleHandle.h"

namespace platform {

HMODULE ourModule() {
  HMODULE module = nullptr;
  // The module that contains this very function; the reference count stays as it is, since
  // the answer is needed only while our code runs, and that keeps the module loaded.
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&ourModule), &module))
    return GetModuleHandleA(nullptr);
  return module;
}

}  // namespace platform
