// Messages that a desktop program shows in a dialog box. The editor runs inside a host's
// window where a modal box of its own would block the host, so the Linux backend writes the
// caption and the text to standard error instead. Safe from any thread.
#pragma once

namespace platform {

void messageBox(const char* text, const char* caption);

}  // namespace platform
