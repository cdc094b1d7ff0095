#include "support/ScopedEnv.h"

#include <stdlib.h>

namespace testsupport {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name(name) {
  const char* old = ::getenv(name);
  wasSet = old != nullptr;
  if (old) saved = old;
  if (value)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (wasSet)
    ::setenv(name.c_str(), saved.c_str(), 1);
  else
    ::unsetenv(name.c_str());
}

}  // namespace testsupport
