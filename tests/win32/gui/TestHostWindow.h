// A top-level window standing in for the host's: the parent of editor windows and the owner
// of dialogs in the Windows backend's tests. Messages are posted to windows of the test's
// own thread, so they arrive in a known order, independent of any real input.
//
// Threading: create, use and destroy on one thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace wintest {

class TestHostWindow {
 public:
  TestHostWindow();  // visible, 400 x 300 client pixels
  ~TestHostWindow();
  TestHostWindow(const TestHostWindow&) = delete;
  TestHostWindow& operator=(const TestHostWindow&) = delete;

  HWND hwnd() const { return window_; }
  uintptr_t id() const { return reinterpret_cast<uintptr_t>(window_); }
  // Destroys the window and every child and owned window with it; safe to call twice.
  void destroy();

 private:
  HWND window_ = nullptr;
};

// Handles every message waiting for windows of this thread (what a host's loop would do).
void dispatchWaitingMessages();

// The position argument of a mouse message: 16-bit signed client coordinates.
LPARAM pointParameter(int x, int y);

// The dialog box that this thread has open (found without relying on the keyboard focus,
// which another program may hold); null when there is none.
HWND openDialogOfThisThread();

// Whether this process runs under Wine rather than Windows.
bool runningUnderWine();

}  // namespace wintest
