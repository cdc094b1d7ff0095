// The two text sinks of the program besides its own files:
// - debug output: the channel a developer watches with a debugger or a log viewer (the
//   scripts' print); standard error on Linux, OutputDebugString on Windows (in pieces of
//   at most 1023 bytes, without any zero bytes of the text);
// - console output: the process's standard output (script-load reports, server lines);
// - error output: the process's standard error, for faults that the user must see and
//   fix (a layout whose createUI fails, a damaged preferences file).
// Both write the text as given, without adding a newline, and are safe from any thread.
#pragma once

#include <cstddef>

namespace platform {

void debugOutput(const char* text, size_t length);
void consoleOutput(const char* text, size_t length);
void errorOutput(const char* text, size_t length);

}  // namespace platform
