#include "support/PrivateRegistry.h"

#include <windows.h>

#include <stdexcept>

namespace testsupport {

namespace {
constexpr char kParent[] = "Software\\QuorvellaTests";
int depth = 0;
int made = 0;
}  // namespace

PrivateUserRegistry::PrivateUserRegistry()
    : where(std::string(kParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64()) + "-" + std::to_string(++made)) {
  HKEY current = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, KEY_ALL_ACCESS, &current) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open HKEY_CURRENT_USER");
  HKEY fresh = nullptr;
  if (RegCreateKeyExA(current, where.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &fresh, nullptr) != ERROR_SUCCESS) {
    RegCloseKey(current);
    throw std::runtime_error("cannot make the registry key " + where);
  }
  if (RegOverridePredefKey(HKEY_CURRENT_USER, fresh) != ERROR_SUCCESS) {
    RegCloseKey(fresh);
    RegDeleteTreeA(current, where.c_str());
    RegCloseKey(current);
    throw std::runtime_error("cannot redirect HKEY_CURRENT_USER");
  }
  previous = current;
  key = fresh;
  outermost = depth++ == 0;
}

PrivateUserRegistry::~PrivateUserRegistry() {
  --depth;
  HKEY before = static_cast<HKEY>(previous);
  // The system keeps its own reference to the key it redirects to.
  RegOverridePredefKey(HKEY_CURRENT_USER, outermost ? nullptr : before);
  RegCloseKey(static_cast<HKEY>(key));
  RegDeleteTreeA(before, where.c_str());
  RegDeleteKeyA(before, kParent);  // only when no other key is left in it
  RegCloseKey(before);
}

}  // namespace testsupport
