// Failures that need the user's attention (GL set-up, unusable font files). On Linux an
// editor has no owner window for a dialog it could trust, so the caption and the text go
// to standard error as one line "caption: text". Safe from any thread; null texts print
// as empty.
#pragma once

namespace platform {

void messageBox(const char* text, const char* caption);

}  // namespace platform
