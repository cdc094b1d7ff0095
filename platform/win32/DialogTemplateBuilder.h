// Dialog templates in memory, in the extended layout that the dialog manager also reads from
// resources (DLGTEMPLATEEX followed by one DLGITEMTEMPLATEEX per control), for dialogs that
// the module carries no resource for. Each kind of control gets the class and styles that
// the resource compiler gives the matching statement, so a dialog looks and behaves the same
// whichever way it was made.
//
// Threading: plain functions; any thread.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/DialogTemplate.h"

namespace platform {

struct DialogControlClass {
  WORD atom;    // predefined window class: 0x80 button, 0x81 edit, 0x82 static
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
};

// Window styles of our dialogs (besides DS_SETFONT, which the font brings).
constexpr DWORD kDialogStyles =
    DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;

DialogControlClass dialogControlClass(DialogControlKind kind);

// The template, in words, starting DWORD-aligned as the dialog manager needs. Texts are
// taken in the process's ANSI code page.
std::vector<WORD> buildDialogTemplate(const DialogTemplate& dialog);

}  // namespace platform
