#include "platform/MessageBox.h"

#include <windows.h>

namespace platform {

void messageBox(const char* text, const char* caption) {
  if (text == nullptr) text = "";
  if (caption == nullptr) caption = "";
  if (MessageBoxHook hook = messageBoxHook()) {
    hook(text, caption);
    return;
  }
  MessageBoxA(nullptr, text, caption, MB_ICONWARNING | MB_OK);
}

}  // namespace platform
