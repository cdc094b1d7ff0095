#include "platform/MessageBox.h"

#include <cstdio>

namespace platform {

void messageBox(const char* text, const char* caption) {
  // One call, so lines from several threads do not interleave.
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  std::fflush(stderr);
}

}  // namespace platform
