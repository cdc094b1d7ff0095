// A top-level window standing in for the host's: the parent of editor windows and the owner
// of dialogs in the tests of the Windows backend. Tests post messages to windows of their
// own thread, so that they arrive in a known order, whatever the real input does.
#pragma once

#include <windows.h>

#include <cstdint>

namespace wintest {

class TestHostWindow {
 public:
  TestHostWindow();  // visible, 400 x 300 client pixels
  ~TestHostWindow() { destroy(); }
  TestHostWindow(const TestHostWindow&) = delete;
  TestHostWindow& operator=(const TestHostWindow&) = delete;

  HWND hwnd() const { return window_; }
  uintptr_t id() const { return reinterpret_cast<uintptr_t>(window_); }
  // With every child and owned window; safe to call twice.
  void destroy();

 private:
  HWND window_ = nullptr;
};

// The position argument of a mouse message: 16-bit signed client coordinates.
inline LPARAM pointParameter(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// The dialog box that this thread has open, found without the keyboard focus (which another
// program may hold); null when there is none.
HWND openDialogOfThisThread();

bool runningUnderWine();

}  // namespace wintest
