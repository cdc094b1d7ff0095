#include "platform/MessageBox.h"

#include <cstdio>
#include <string>

namespace platform {

void messageBox(const char* text, const char* caption) {
  std::string line = caption != nullptr ? caption : "";
  line += ": ";
  line += text != nullptr ? text : "";
  line += '\n';
  // One write, so lines from several editors do not interleave.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace platform
