#include "platform/Output.h"

#include <windows.h>

#include <cstdio>

namespace platform {

void debugOutput(const char* text, size_t length) {
  // The channel takes zero-terminated texts: the text goes in pieces through a fixed buffer,
  // so a text of any length costs no allocation. Zero bytes inside it would end a piece
  // early and lose the rest; they are left out.
  char piece[1024];
  size_t used = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != '\0') piece[used++] = text[i];
    if (used == sizeof piece - 1 || (i + 1 == length && used > 0)) {
      piece[used] = '\0';
      OutputDebugStringA(piece);
      used = 0;
    }
  }
}

void consoleOutput(const char* text, size_t length) {
  // One locked write per call, so pieces from different threads do not interleave.
  std::fwrite(text, 1, length, stdout);
  std::fflush(stdout);
}

void errorOutput(const char* text, size_t length) {
  std::fwrite(text, 1, length, stderr);
  std::fflush(stderr);
}

}  // namespace platform
