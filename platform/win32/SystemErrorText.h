// The system's own text for an error code (GetLastError()), as users of the system know it
// from other programs: one line, without the trailing line break. Codes without a text
// give "Error <code>".
//
// Threading: any thread.
#pragma once

#include <string>

namespace platform {

std::string systemErrorText(unsigned long code);

}  // namespace platform
