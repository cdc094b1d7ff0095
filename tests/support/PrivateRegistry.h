// Windows: for the object's lifetime HKEY_CURRENT_USER of this process is a fresh, empty key
// of its own (kept below the real one and removed at the end). Preferences that one test
// program writes never reach another one running beside it in the same Wine prefix: the
// registry's counterpart of the private HOME of every test program.
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

  // Where it is kept, below the real HKEY_CURRENT_USER.
  const std::string& path() const { return where; }

 private:
  std::string where;
  void* key = nullptr;
};

}  // namespace testsupport
