// Windows: for the object's lifetime HKEY_CURRENT_USER of this process is a fresh, empty key
// of its own, kept below what HKEY_CURRENT_USER stood for before and removed at the end,
// when that comes back. Preferences that one test program writes never reach another one
// running beside it in the same Wine prefix (the test main holds one), and each
// UserEnvironment starts without preferences (it holds one inside the test main's): the
// registry's counterpart of a fresh HOME and XDG_CONFIG_HOME.
//
// Threading: made and destroyed on the main thread, innermost first.
#pragma once

#include <string>

namespace testsupport {

class PrivateUserRegistry {
 public:
  // Throws std::runtime_error when the key cannot be made or put in place.
  PrivateUserRegistry();
  ~PrivateUserRegistry();
  PrivateUserRegistry(const PrivateUserRegistry&) = delete;
  PrivateUserRegistry& operator=(const PrivateUserRegistry&) = delete;

 private:
  std::string where;        // below the previous HKEY_CURRENT_USER
  void* previous = nullptr;  // what HKEY_CURRENT_USER stood for before
  void* key = nullptr;
  bool outermost = false;
};

}  // namespace testsupport
