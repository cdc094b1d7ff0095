// Reads an extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX entries, as the
// resource compiler writes DIALOGEX resources) back into a platform::DialogTemplate, each
// control's kind worked out from its window class and styles, so that tests can compare a
// module's dialog resource, or a template built in memory, with the template in the code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/DialogTemplate.h"

namespace wintest {

struct ReadDialog {
  platform::DialogTemplate dialog;
  DWORD style = 0;
  std::vector<DWORD> controlStyles;  // one per control, in order
};

// False with why when the data is no well-formed extended template with a font, or has a
// control of a kind the templates do not use.
bool readDialogTemplate(const void* data, size_t size, ReadDialog& out, std::string& why);

// The dialog resource of the given id in this program's module.
bool findDialogResource(int id, const void*& data, size_t& size);

}  // namespace wintest
