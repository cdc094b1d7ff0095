// A modal dialog window of our own: a top-level window built from a DialogTemplate,
// belonging to the owner's top-level window (an editor's child window given as the owner
// stands for the host's window that holds it), running its own event loop inside
// runModalDialog until the handler ends it. On Linux an X11 window on a connection of its
// own, drawn with Xlib and Xft, transient for the owner. On Windows the system's dialog
// manager makes it from our module's dialog resource dialog.resourceId when the module has
// that resource, otherwise from the template itself; the owner is disabled while it runs.
//
// Keyboard: the focus starts on the template's initialFocus control; Tab and Shift+Tab move
// it between the push buttons, edit fields and check boxes in template order; Space
// activates the focused button or check box; Enter activates the focused push button, or
// else the default push button; Escape and the window frame's close send
// DialogHandler::kCancel. An edit field takes the focus with its text selected, so typing
// replaces it. If the owner window is destroyed while the dialog is open, the dialog ends
// as cancelled.
//
// Threading: blocks the calling thread (the owner's user-interface thread) until the
// dialog ends. Several dialogs may run on different threads at once.
#pragma once

#include <cstdint>

#include "platform/DialogHandler.h"
#include "platform/DialogTemplate.h"

namespace platform {

// The result passed to DialogControls::end, or -1 when no window could be made (no display,
// an empty template).
int runModalDialog(const DialogTemplate& dialog, uintptr_t ownerWindow, DialogHandler& handler);

}  // namespace platform
