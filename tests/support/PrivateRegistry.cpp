#include "support/PrivateRegistry.h"

#include <windows.h>

#include <stdexcept>

namespace testsupport {

namespace {
constexpr char kParent[] = "Software\\QuorvellaTests";
}  // namespace

PrivateUserRegistry::PrivateUserRegistry()
    : where(std::string(kParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64())) {
  HKEY made = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, where.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &made, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot make the registry key " + where);
  if (RegOverridePredefKey(HKEY_CURRENT_USER, made) != ERROR_SUCCESS) {
    RegCloseKey(made);
    RegDeleteTreeA(HKEY_CURRENT_USER, where.c_str());
    throw std::runtime_error("cannot redirect HKEY_CURRENT_USER");
  }
  key = made;
}

PrivateUserRegistry::~PrivateUserRegistry() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(static_cast<HKEY>(key));
  RegDeleteTreeA(HKEY_CURRENT_USER, where.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, kParent);  // only when no other program's key is left
}

}  // namespace testsupport
