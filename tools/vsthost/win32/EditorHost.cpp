#include "vsthost/EditorHost.h"

#include <windows.h>

#include <algorithm>

namespace vsthost {

struct EditorHost::Native {
  HWND window = nullptr;
};

namespace {

const char kClassName[] = "QuorvellaTestHostWindow";

// Closing the window by its frame ends the session; the editor is closed before the
// window goes (close() destroys it).
LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 1);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool registerClass() {
  static const bool registered = [] {
    WNDCLASSA c{};
    c.lpfnWndProc = hostWindowProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursor(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = kClassName;
    return RegisterClassA(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

EditorHost::EditorHost(HostedEffect& effect) : effect_(effect) {}

EditorHost::~EditorHost() { close(); }

bool EditorHost::open(const std::string& title, std::string& error) {
  if (open_) return true;
  if (effect_.record() == nullptr) {
    error = "no plug-in instance";
    return false;
  }
  if ((effect_.record()->flags & effFlagsHasEditor) == 0) {
    error = "the plug-in has no editor";
    return false;
  }
  if (!registerClass()) {
    error = "cannot register the host's window class";
    return false;
  }
  ERect* rect = nullptr;
  effect_.dispatch(effEditGetRect, 0, 0, &rect);
  width_ = height_ = 0;
  if (rect != nullptr) {
    width_ = std::max(0, rect->right - rect->left);
    height_ = std::max(0, rect->bottom - rect->top);
  }
  // A fixed-size frame whose client area is the editor's size.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, std::max(1, width_), std::max(1, height_)};
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowExA(0, kClassName, title.c_str(), style, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) {
    error = "cannot create the host's window (is there a display?)";
    return false;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);

  native_ = std::make_unique<Native>();
  native_->window = window;
  window_ = reinterpret_cast<uintptr_t>(window);
  windowGone_ = false;
  open_ = true;
  openAnswer_ = effect_.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window_));
  return true;
}

bool EditorHost::idle() {
  if (!open_) return false;
  if (!windowGone_) effect_.dispatch(effEditIdle);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  HWND window = native_->window;
  if (!IsWindow(window) || GetWindowLongPtrA(window, GWLP_USERDATA) != 0) windowGone_ = true;
  return !windowGone_;
}

void EditorHost::close() {
  if (!open_) return;
  effect_.dispatch(effEditClose);
  if (IsWindow(native_->window)) DestroyWindow(native_->window);
  native_.reset();
  open_ = false;
  window_ = 0;
}

}  // namespace vsthost
