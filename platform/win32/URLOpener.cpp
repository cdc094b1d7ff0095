#include "platform/URLOpener.h"

#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <memory>
#include <new>

#include "platform/win32/DetachedTask.h"
#include "platform/win32/WebAddress.h"

namespace platform {

namespace {
void openNow(void* raw) {
  std::unique_ptr<std::string> url(static_cast<std::string*>(raw));
  // The shell's handlers may use COM and may take their time; this thread is ours alone.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ShellExecuteA(nullptr, "open", url->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
}
}  // namespace

void openURL(const std::string& url) {
  if (!isWebAddress(url)) return;
  std::unique_ptr<std::string> copy;
  try {
    copy.reset(new std::string(url));
  } catch (const std::bad_alloc&) {
    return;
  }
  if (runDetached(openNow, copy.get())) copy.release();
}

}  // namespace platform
