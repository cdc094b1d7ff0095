#include "platform/MessageBox.h"

#include <cstdio>
#include <string>

namespace platform {

void messageBox(const char* text, const char* caption) {
  if (text == nullptr) text = "";
  if (caption == nullptr) caption = "";
  if (MessageBoxHook hook = messageBoxHook()) {
    hook(text, caption);
    return;
  }
  std::string line = caption;
  line += ": ";
  line += text;
  line += '\n';
  // One write, so lines from several editors do not interleave.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace platform
