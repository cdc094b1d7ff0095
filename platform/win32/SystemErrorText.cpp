#include "platform/win32/SystemErrorText.h"

#include <windows.h>

#include <cstdio>

namespace platform {

std::string systemErrorText(unsigned long code) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                        text[length - 1] == ' '))
    --length;
  if (length == 0) {
    std::snprintf(text, sizeof text, "Error %lu", code);
    return text;
  }
  return std::string(text, length);
}

}  // namespace platform
