// Sets (or, with a null value, unsets) an environment variable for the object's lifetime;
// the variable's earlier state, set or not, comes back at destruction.
#pragma once

#include <string>

namespace testsupport {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name;
  std::string saved;
  bool wasSet;
};

}  // namespace testsupport
