#include "platform/Output.h"

#include <cstdio>

namespace platform {

namespace {
void writeAll(std::FILE* stream, const char* text, size_t length) {
  // One locked write per call, so pieces from different threads do not interleave.
  std::fwrite(text, 1, length, stream);
  std::fflush(stream);
}
}  // namespace

void debugOutput(const char* text, size_t length) { writeAll(stderr, text, length); }

void consoleOutput(const char* text, size_t length) { writeAll(stdout, text, length); }

void errorOutput(const char* text, size_t length) { writeAll(stderr, text, length); }

}  // namespace platform
