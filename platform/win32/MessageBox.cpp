#include <windows.h>

#include "platform/SystemMessageBox.h"

namespace platform {

void showSystemMessageBox(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_ICONWARNING | MB_OK);
}

}  // namespace platform
