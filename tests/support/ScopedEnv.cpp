#include "support/ScopedEnv.h"

#include <stdlib.h>
#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

namespace {
// value null: unset.
void setVariable(const char* name, const char* value) {
#ifdef _WIN32
  // Both copies of the environment: the C library's (getenv) and the system's
  // (GetEnvironmentVariable), which the program under test reads.
  ::_putenv_s(name, value ? value : "");
  ::SetEnvironmentVariableA(name, value);
#else
  if (value)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
#endif
}
}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name(name) {
  const char* old = ::getenv(name);
  wasSet = old != nullptr;
  if (old) saved = old;
  setVariable(name, value);
}

ScopedEnv::~ScopedEnv() { setVariable(name.c_str(), wasSet ? saved.c_str() : nullptr); }

}  // namespace testsupport
