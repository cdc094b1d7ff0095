#include <atomic>

#include "platform/MessageBox.h"

namespace platform {

namespace {
std::atomic<MessageBoxHook> installedHook{nullptr};
static_assert(std::atomic<MessageBoxHook>::is_always_lock_free, "the hook must be lock-free");
}  // namespace

void setMessageBoxHook(MessageBoxHook hook) { installedHook.store(hook, std::memory_order_release); }

MessageBoxHook messageBoxHook() { return installedHook.load(std::memory_order_acquire); }

}  // namespace platform
