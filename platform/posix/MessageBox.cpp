#include <cstdio>
#include <string>

#include "platform/SystemMessageBox.h"

namespace platform {

void showSystemMessageBox(const char* text, const char* caption) {
  std::string line = caption;
  line += ": ";
  line += text;
  line += '\n';
  // One write, so lines from several editors do not interleave.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace platform
