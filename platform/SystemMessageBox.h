// The backends' part of platform::messageBox (MessageBox.h says what each system shows).
// Called with texts that are never null, and only when no hook is set.
#pragma once

namespace platform {

void showSystemMessageBox(const char* text, const char* caption);

}  // namespace platform
