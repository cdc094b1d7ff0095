#include "TestHostWindow.h"

#include <cstring>

namespace wintest {

namespace {

void dispatchWaitingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

BOOL CALLBACK keepDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

TestHostWindow::TestHostWindow() {
  static const ATOM hostClass = [] {
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = "QuorvellaTestHost";
    return RegisterClassA(&c);
  }();
  RECT r{0, 0, 400, 300};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  window_ = CreateWindowExA(0, MAKEINTATOM(hostClass), "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            40, 40, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  dispatchWaitingMessages();
}

void TestHostWindow::destroy() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
  dispatchWaitingMessages();
}

HWND openDialogOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), keepDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool runningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace wintest
