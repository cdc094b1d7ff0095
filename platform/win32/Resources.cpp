// Windows backend of the built-in resources: resources of our own module, compiled from the
// script that ResourceScript.cmake writes. Each one ends with a zero byte that is not part of
// it; the data is used in place, where the module keeps it for as long as it is loaded.
#include "platform/Resources.h"

#include <windows.h>

namespace platform {

namespace {

HMODULE ownModule() {
  HMODULE module = nullptr;
  // The module holding this very function: the plug-in, not the host's program.
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&ownModule), &module))
    return nullptr;
  return module;
}

// Numbers name resources only up to 16 bits; a larger one would be taken for the address
// of a name.
bool isResourceNumber(int32_t n) { return n > 0 && n <= 0xFFFF; }

}  // namespace

bool findResource(int32_t type, int32_t id, Resource& out) {
  if (!isResourceNumber(type) || !isResourceNumber(id)) return false;
  HMODULE module = ownModule();
  if (!module) return false;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
  if (!found) return false;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const auto* data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  // Something without the closing zero byte is not one of ours.
  if (!data || size == 0 || data[size - 1] != 0) return false;
  out.data = data;
  out.size = size - 1;
  return true;
}

}  // namespace platform
