#include "platform/EditorWindow.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/WindowCount.h"
#include "platform/win32/ModuleHandle.h"

namespace platform {

struct EditorWindow::Native {
  EditorWindow* owner = nullptr;
  HWND window = nullptr;
  bool gone = false;         // the window was destroyed by someone else (with the host's)
  bool captureLost = false;  // someone took the pointer capture during a gesture
  bool trackingLeave = false;  // the system reports the pointer leaving the window

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Queues what the message means (if anything) and gives the message's answer.
  LRESULT queue(UINT message, WPARAM wParam, LPARAM lParam);
};

namespace {

// Class styles: a device context of its own (the render thread keeps drawing into it),
// and a global class, so that it is found from any module of the process.
constexpr UINT kClassStyles = CS_OWNDC | CS_GLOBALCLASS;
constexpr DWORD kWindowStyles = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// Events waiting for processPending: a host that stops calling idle must not make the
// queue grow without bound. Consecutive pointer moves are merged, so this is plenty.
constexpr size_t kMaximumQueued = 256;
// How often a waiting gesture checks that a button is still held.
constexpr DWORD kGestureCheckMs = 100;
// Messages handled per processPending at most, so that a stream of posted messages cannot
// keep the host's idle call from returning.
constexpr int kMaximumDispatched = 1024;

// The window class is shared by every editor window of this module and lives from the
// first window to the last; several editors may open and close on different threads.
std::mutex& classLock() {
  static std::mutex lock;
  return lock;
}

// One name per copy of the module, so that copies loaded at different addresses, each with
// its own window procedure, never share a class.
const std::string& className() {
  static const std::string name = [] {
    char text[64];
    std::snprintf(text, sizeof text, "quorvella%p", static_cast<void*>(ourModule()));
    return std::string(text);
  }();
  return name;
}

bool registerClass() {
  WNDCLASSA c{};
  c.style = kClassStyles;
  c.lpfnWndProc = EditorWindow::Native::procedure;
  c.hInstance = ourModule();
  c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.lpszClassName = className().c_str();
  // A class left behind by a window that outlived its count (another thread's window that
  // could not be destroyed from ours) is still our class: carry on with it.
  return RegisterClassA(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Counts a window to be made, registering the class for the first. The lock covers only the
// count and the class: creating a child window sends messages to its parent, whose thread
// may be waiting for this very lock.
bool windowAdded() {
  std::lock_guard<std::mutex> guard(classLock());
  if (WindowCount::added() == 0 && !registerClass()) {
    WindowCount::removed();
    return false;
  }
  return true;
}

void windowRemoved() {
  std::lock_guard<std::mutex> guard(classLock());
  if (WindowCount::removed() == 0) UnregisterClassA(className().c_str(), ourModule());
}

int keyModifiers() {
  int flags = 0;
  if (GetKeyState(VK_SHIFT) < 0) flags |= kModifierShift;
  if (GetKeyState(VK_CONTROL) < 0) flags |= kModifierControl;
  if (GetKeyState(VK_MENU) < 0) flags |= kModifierAlt;
  return flags;
}

// Shift and Control as the mouse message carries them; Alt is not in it.
int mouseModifiers(WPARAM keys) {
  int flags = 0;
  if (keys & MK_SHIFT) flags |= kModifierShift;
  if (keys & MK_CONTROL) flags |= kModifierControl;
  if (GetKeyState(VK_MENU) < 0) flags |= kModifierAlt;
  return flags;
}

bool isGestureEvent(const WindowEvent& e) {
  return e.type == WindowEvent::PointerMove || e.type == WindowEvent::ButtonDown ||
         e.type == WindowEvent::ButtonUp;
}

bool anyButtonHeld() {
  // The physical buttons: whichever of them the user has made the left one.
  return GetAsyncKeyState(VK_LBUTTON) < 0 || GetAsyncKeyState(VK_RBUTTON) < 0 ||
         GetAsyncKeyState(VK_MBUTTON) < 0;
}

}  // namespace

LRESULT CALLBACK EditorWindow::Native::procedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  auto* native = reinterpret_cast<Native*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (native == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      // With the host's window: nothing may reach us through this window any more.
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      native->gone = true;
      break;
    case WM_CAPTURECHANGED:
      if (native->owner->captured_ && reinterpret_cast<HWND>(lParam) != window)
        native->captureLost = true;
      break;
    case WM_MOUSEMOVE:
      // The system says when the pointer leaves only if asked, once per entry.
      if (!native->trackingLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        native->trackingLeave = TrackMouseEvent(&track) != FALSE;
      }
      return native->queue(message, wParam, lParam);
    case WM_MOUSELEAVE:
      native->trackingLeave = false;
      return native->queue(message, wParam, lParam);
    default:
      return native->queue(message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT EditorWindow::Native::queue(UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  WindowEvent event;
  if (owner->translate(&msg, event)) {
    std::vector<WindowEvent>& events = owner->deferred_;
    if (event.type == WindowEvent::PointerMove && !events.empty() &&
        events.back().type == WindowEvent::PointerMove)
      events.back() = event;
    else if (events.size() < kMaximumQueued)
      events.push_back(event);
    // A press is ours alone: the host's window never sees it.
    if (event.type == WindowEvent::ButtonDown) return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

EditorWindow::EditorWindow() = default;

EditorWindow::~EditorWindow() { destroy(); }

bool EditorWindow::create(uintptr_t parentWindowId, int width, int height) {
  if (native_ != nullptr) return false;
  if (width < 1 || height < 1 || width > kMaximumSize || height > kMaximumSize) return false;
  HWND parent = reinterpret_cast<HWND>(parentWindowId);
  if (parent == nullptr || !IsWindow(parent)) return false;
  auto native = std::make_unique<Native>();
  native->owner = this;

  if (!windowAdded()) return false;
  HWND window = CreateWindowExA(0, className().c_str(), "Window", kWindowStyles, 0, 0, width,
                                height, parent, nullptr, ourModule(), nullptr);
  if (window == nullptr) {
    windowRemoved();
    return false;
  }
  native->window = window;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native.get()));
  native_ = std::move(native);
  window_ = reinterpret_cast<uintptr_t>(window);
  width_ = width;
  height_ = height;
  return true;
}

void EditorWindow::destroy() {
  if (native_ == nullptr) return;
  if (captured_) endCapture();
  HWND window = native_->window;
  if (!native_->gone) {
    // Detached first: should the window outlive this call (destroyed from a thread that
    // does not own it, which fails), its messages go to the default procedure.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  native_.reset();
  window_ = 0;
  width_ = height_ = 0;
  deferred_.clear();
  windowRemoved();
}

bool EditorWindow::translate(const void* nativeEvent, WindowEvent& out) {
  const MSG& m = *static_cast<const MSG*>(nativeEvent);
  out = WindowEvent{};
  // Client coordinates as delivered, origin top-left. They are signed: while the pointer is
  // captured, a drag past the left or top edge gives negative positions.
  auto point = [&] {
    out.x = static_cast<short>(LOWORD(m.lParam));
    out.y = static_cast<short>(HIWORD(m.lParam));
    out.modifiers = mouseModifiers(m.wParam);
  };
  switch (m.message) {
    case WM_CHAR: {
      const uint32_t code = static_cast<uint32_t>(m.wParam);
      // Printable ASCII and the three control characters text fields act on.
      if (!((code >= 32 && code < 127) || code == 13 || code == 8 || code == 3)) return false;
      out.type = WindowEvent::Character;
      out.character = code;
      out.modifiers = keyModifiers();
      return true;
    }
    case WM_KILLFOCUS:
      out.type = WindowEvent::FocusLost;
      return true;
    case WM_SHOWWINDOW:
      // Shown again (the host's window restored or its tab chosen): draw at once.
      if (m.wParam == FALSE) return false;
      out.type = WindowEvent::Exposed;
      return true;
    case WM_MOUSEMOVE:
      out.type = WindowEvent::PointerMove;
      point();
      return true;
    case WM_MOUSELEAVE: {
      // Hover follows the pointer out of the window: a move to where it is now.
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(m.hwnd, &p);
      out.type = WindowEvent::PointerMove;
      out.x = p.x;
      out.y = p.y;
      out.modifiers = keyModifiers();
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      out.type = WindowEvent::ButtonDown;
      point();
      return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      // Releases end press gestures; outside one the editor ignores them.
      out.type = WindowEvent::ButtonUp;
      point();
      return true;
    default:
      return false;
  }
}

bool EditorWindow::nextEvent(int timeoutMs, void* nativeEvent) {
  // Runs this window's waiting messages through the window procedure, which queues what
  // they mean; answers whether one was handled. Waits up to timeoutMs for one to come.
  MSG& msg = *static_cast<MSG*>(nativeEvent);
  if (native_ == nullptr || native_->gone) return false;
  HWND window = native_->window;
  if (!PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
    if (timeoutMs <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
    if (native_ == nullptr || native_->gone || !PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
      return false;
  }
  // Key presses become the characters that the window procedure turns into events.
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void EditorWindow::processPending(WindowEventSink& sink) {
  if (native_ == nullptr) return;
  // Whatever waits for our window is handled first, so one call sees all input that
  // happened before it, as the host's own message loop would have delivered it.
  MSG msg;
  for (int i = 0; i < kMaximumDispatched && nextEvent(0, &msg); ++i) {
  }
  while (native_ != nullptr && !deferred_.empty()) {
    WindowEvent event = deferred_.front();
    deferred_.erase(deferred_.begin());
    sink.windowEvent(event);  // may run a gesture, or close the window
  }
}

void EditorWindow::beginCapture() {
  if (native_ == nullptr || native_->gone) return;
  captured_ = true;
  native_->captureLost = false;
  SetCapture(native_->window);
}

void EditorWindow::endCapture() {
  captured_ = false;
  if (native_ == nullptr || native_->gone) return;
  if (GetCapture() == native_->window) ReleaseCapture();
}

bool EditorWindow::nextGestureEvent(WindowEvent& out, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (native_ == nullptr || native_->gone) return false;
    // Events queued before this call come first, in order; others stay for processPending.
    for (auto it = deferred_.begin(); it != deferred_.end(); ++it) {
      if (!isGestureEvent(*it)) continue;
      out = *it;
      deferred_.erase(it);
      return true;
    }
    // Read before looking for messages, so that a release the system is still delivering is
    // normally found as its own message; one that comes later still arrives outside the
    // gesture, where the editor ignores releases.
    const bool held = anyButtonHeld();
    MSG msg;
    if (nextEvent(0, &msg)) continue;
    // No message of ours: if the capture was taken from us or no button is held any more,
    // the release is not coming (it went to another window), so end the gesture here.
    if (native_->captureLost || !held) {
      native_->captureLost = false;
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(native_->window, &p);
      out = WindowEvent{};
      out.type = WindowEvent::ButtonUp;
      out.x = p.x;
      out.y = p.y;
      out.modifiers = keyModifiers();
      return true;
    }
    DWORD wait = kGestureCheckMs;
    if (timeoutMs >= 0) {
      const DWORD spent = GetTickCount() - start;
      if (spent >= static_cast<DWORD>(timeoutMs)) return false;
      if (static_cast<DWORD>(timeoutMs) - spent < wait) wait = static_cast<DWORD>(timeoutMs) - spent;
    }
    nextEvent(static_cast<int>(wait), &msg);
  }
}

int EditorWindow::currentModifiers() { return keyModifiers(); }

void EditorWindow::takeKeyboardFocus() {
  if (native_ == nullptr || native_->gone) return;
  SetFocus(native_->window);
}

}  // namespace platform
