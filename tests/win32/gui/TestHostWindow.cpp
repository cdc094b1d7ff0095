#include "TestHostWindow.h"

#include <string>

namespace wintest {

namespace {

const char kClassName[] = "QuorvellaTestHost";

void registerHostClass() {
  static const bool registered = [] {
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = kClassName;
    return RegisterClassA(&c) != 0;
  }();
  (void)registered;
}

}  // namespace

TestHostWindow::TestHostWindow() {
  registerHostClass();
  RECT r{0, 0, 400, 300};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  window_ = CreateWindowExA(0, kClassName, "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  dispatchWaitingMessages();
}

TestHostWindow::~TestHostWindow() { destroy(); }

void TestHostWindow::destroy() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
  dispatchWaitingMessages();
}

void dispatchWaitingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

LPARAM pointParameter(int x, int y) {
  return static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(static_cast<short>(x))) |
                             (static_cast<DWORD>(static_cast<WORD>(static_cast<short>(y))) << 16));
}

namespace {
BOOL CALLBACK keepDialog(HWND window, LPARAM result) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(result) = window;
  return FALSE;
}
}  // namespace

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
