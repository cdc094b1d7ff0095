// The system-independent half of message boxes: null texts and the hook. The backends show
// the box itself (SystemMessageBox.h).
#include "platform/MessageBox.h"

#include <atomic>

#include "platform/SystemMessageBox.h"

namespace platform {

namespace {
std::atomic<MessageBoxHook> installedHook{nullptr};
static_assert(std::atomic<MessageBoxHook>::is_always_lock_free, "the hook must be lock-free");
}  // namespace

void setMessageBoxHook(MessageBoxHook hook) { installedHook.store(hook, std::memory_order_release); }

MessageBoxHook messageBoxHook() { return installedHook.load(std::memory_order_acquire); }

void messageBox(const char* text, const char* caption) {
  if (text == nullptr) text = "";
  if (caption == nullptr) caption = "";
  if (MessageBoxHook hook = messageBoxHook())
    hook(text, caption);
  else
    showSystemMessageBox(text, caption);
}

}  // namespace platform
