// Failures that need the user's attention (GL set-up, unusable font files).
// - Windows: a message box without an owner window, with a warning icon and an OK button;
//   the call returns when the user has closed it.
// - Linux: an editor has no owner window for a dialog it could trust, so the caption and
//   the text go to standard error as one line "caption: text".
// Safe from any thread; null texts count as empty.
//
// A box waits for someone to close it, which would stall a test program or a run without a
// user. A process-wide hook therefore takes the place of the box when one is set: the
// program's test main sets one that writes the Linux line to standard error.
#pragma once

namespace platform {

void messageBox(const char* text, const char* caption);

// Receives text and caption (never null) instead of the box.
using MessageBoxHook = void (*)(const char* text, const char* caption);

// Sets the hook for the whole process (null: boxes again). Lock-free and safe from any
// thread; a box already showing is not affected.
void setMessageBoxHook(MessageBoxHook hook);
// The hook in force, or null.
MessageBoxHook messageBoxHook();

}  // namespace platform
