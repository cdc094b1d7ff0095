#include "platform/EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>

#include "platform/WindowCount.h"
#include "platform/posix/GLXWindowVisual.h"
#include "platform/posix/XConnection.h"

namespace platform {

struct EditorWindow::Native {
  XConnection connection;
  Colormap colormap = 0;
  bool gone = false;  // the window was destroyed by someone else (with the host's parent)
};

namespace {

// Keys are selected only while the window holds the keyboard focus: X hands key presses to
// the window under the pointer when the focus is on an ancestor, and a hovered editor must
// not swallow the host's shortcuts.
constexpr long kEventMask = PointerMotionMask | ButtonPressMask | ButtonReleaseMask |
                            FocusChangeMask | StructureNotifyMask | EnterWindowMask |
                            LeaveWindowMask | ExposureMask | VisibilityChangeMask;
constexpr unsigned kButtonsHeld = Button1Mask | Button2Mask | Button3Mask;
// Events of other kinds that arrive during one press gesture and are kept for later; a
// gesture held for minutes with keys hammered must not grow without bound.
constexpr size_t kMaximumDeferred = 256;
// How often a waiting gesture checks that a button is still held.
constexpr int kGestureCheckMs = 100;

int modifiersOf(unsigned state) {
  int flags = 0;
  if (state & ShiftMask) flags |= kModifierShift;
  if (state & ControlMask) flags |= kModifierControl;
  if (state & Mod1Mask) flags |= kModifierAlt;
  return flags;
}

bool isGestureEvent(const XEvent& e) {
  return e.type == MotionNotify || e.type == ButtonPress || e.type == ButtonRelease;
}

}  // namespace

EditorWindow::EditorWindow() = default;

EditorWindow::~EditorWindow() { destroy(); }

bool EditorWindow::create(uintptr_t parentWindowId, int width, int height) {
  if (native_ != nullptr) return false;
  if (width < 1 || height < 1 || width > kMaximumSize || height > kMaximumSize) return false;
  if (parentWindowId == 0) return false;
  auto native = std::make_unique<Native>();
  if (!native->connection.valid()) return false;
  Display* display = native->connection.display();
  const Window parent = static_cast<Window>(parentWindowId);

  XWindowAttributes parentAttributes;
  if (XGetWindowAttributes(display, parent, &parentAttributes) == 0 ||
      native->connection.takeError() != 0)
    return false;
  const int screen = XScreenNumberOfScreen(parentAttributes.screen);

  // The GL pixel format decides the window's visual; without GLX the window still takes
  // input with the parent's visual, and the render side reports that it cannot draw.
  Visual* visual = parentAttributes.visual;
  int depth = parentAttributes.depth;
  GLXWindowVisual::find(display, screen, visual, depth);
  native->colormap = XCreateColormap(display, RootWindow(display, screen), visual, AllocNone);

  XSetWindowAttributes attributes{};
  attributes.colormap = native->colormap;
  attributes.border_pixel = 0;
  attributes.background_pixmap = None;  // the render thread paints everything
  attributes.event_mask = kEventMask;
  Window window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), 0, depth, InputOutput, visual,
                                CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask,
                                &attributes);
  XStoreName(display, window, "Window");
  XMapWindow(display, window);
  if (native->connection.takeError() != 0) {
    // A parent that vanished between the query and the creation.
    XDestroyWindow(display, window);
    XFreeColormap(display, native->colormap);
    native->connection.takeError();
    return false;
  }
  native_ = std::move(native);
  window_ = window;
  width_ = width;
  height_ = height;
  WindowCount::added();
  return true;
}

void EditorWindow::destroy() {
  if (native_ == nullptr) return;
  if (captured_) endCapture();
  Display* display = native_->connection.display();
  if (!native_->connection.dead()) {
    if (!native_->gone) XDestroyWindow(display, static_cast<Window>(window_));
    XFreeColormap(display, native_->colormap);
    native_->connection.takeError();
  }
  native_.reset();
  window_ = 0;
  width_ = height_ = 0;
  deferred_.clear();
  WindowCount::removed();
}

bool EditorWindow::translate(const void* nativeEvent, WindowEvent& out) {
  XEvent e = *static_cast<const XEvent*>(nativeEvent);
  if (e.xany.window != static_cast<Window>(window_)) return false;
  out = WindowEvent{};
  switch (e.type) {
    case MotionNotify:
      out.type = WindowEvent::PointerMove;
      out.x = e.xmotion.x;
      out.y = e.xmotion.y;
      out.modifiers = modifiersOf(e.xmotion.state);
      return true;
    case ButtonPress:
    case ButtonRelease:
      // Buttons 4 and up are the wheel and side buttons, which the editor does not use.
      if (e.xbutton.button < Button1 || e.xbutton.button > Button3) return false;
      out.type = e.type == ButtonPress ? WindowEvent::ButtonDown : WindowEvent::ButtonUp;
      out.x = e.xbutton.x;
      out.y = e.xbutton.y;
      out.modifiers = modifiersOf(e.xbutton.state);
      return true;
    case EnterNotify:
    case LeaveNotify:
      // Hover follows the pointer in and out of the window.
      out.type = WindowEvent::PointerMove;
      out.x = e.xcrossing.x;
      out.y = e.xcrossing.y;
      out.modifiers = modifiersOf(e.xcrossing.state);
      return true;
    case KeyPress: {
      char text[8] = {};
      KeySym symbol = NoSymbol;
      int length = XLookupString(&e.xkey, text, sizeof text, &symbol, nullptr);
      uint32_t code = 0;
      if (symbol == XK_Return || symbol == XK_KP_Enter)
        code = 13;
      else if (symbol == XK_BackSpace)
        code = 8;
      else if (length == 1 && static_cast<unsigned char>(text[0]) < 127)
        code = static_cast<unsigned char>(text[0]);  // printable, or a control code like ^C
      if (code == 0) return false;
      out.type = WindowEvent::Character;
      out.character = code;
      out.modifiers = modifiersOf(e.xkey.state);
      return true;
    }
    case Expose:
      // One event for the last of a series of exposed rectangles: the whole picture comes.
      if (e.xexpose.count != 0) return false;
      out.type = WindowEvent::Exposed;
      return true;
    case VisibilityNotify:
      // Also sent when the window becomes viewable again (its parent shown, a tab switched
      // back), which Expose alone may not say when the server kept the contents.
      if (e.xvisibility.state == VisibilityFullyObscured) return false;
      out.type = WindowEvent::Exposed;
      return true;
    case FocusOut:
      // Grabs by others (a window manager's key grab) only borrow the keyboard, and
      // inferior or pointer details are not about our own focus.
      if (e.xfocus.mode == NotifyGrab || e.xfocus.mode == NotifyUngrab) return false;
      if (e.xfocus.detail == NotifyInferior || e.xfocus.detail == NotifyPointer) return false;
      XSelectInput(native_->connection.display(), static_cast<Window>(window_), kEventMask);
      out.type = WindowEvent::FocusLost;
      return true;
    default:
      return false;
  }
}

void EditorWindow::processPending(WindowEventSink& sink) {
  if (native_ == nullptr || !native_->connection.valid()) return;
  Display* display = native_->connection.display();
  // A round trip first: every event the server produced before now is then in our queue,
  // so one call sees all input that happened before it.
  XSync(display, False);
  for (;;) {
    // Events kept during a gesture come before the ones that arrived after it.
    std::vector<WindowEvent> kept;
    kept.swap(deferred_);
    for (const WindowEvent& event : kept) {
      sink.windowEvent(event);
      if (native_ == nullptr) return;
    }
    if (!native_->connection.valid() || XPending(display) == 0) break;
    XEvent e;
    XNextEvent(display, &e);
    if (e.type == DestroyNotify && e.xdestroywindow.window == static_cast<Window>(window_)) {
      native_->gone = true;
      continue;
    }
    WindowEvent event;
    if (translate(&e, event)) sink.windowEvent(event);
    if (native_ == nullptr) return;  // the sink closed the window
  }
}

void EditorWindow::beginCapture() {
  if (native_ == nullptr || native_->gone || !native_->connection.valid()) return;
  Display* display = native_->connection.display();
  XGrabPointer(display, static_cast<Window>(window_), False,
               ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
               GrabModeAsync, None, None, CurrentTime);
  XFlush(display);
  captured_ = true;
}

void EditorWindow::endCapture() {
  captured_ = false;
  if (native_ == nullptr || !native_->connection.valid()) return;
  XUngrabPointer(native_->connection.display(), CurrentTime);
  XFlush(native_->connection.display());
}

bool EditorWindow::nextGestureEvent(WindowEvent& out, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    if (native_ == nullptr || native_->gone || !native_->connection.valid()) return false;
    Display* display = native_->connection.display();
    while (XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type == DestroyNotify && e.xdestroywindow.window == static_cast<Window>(window_)) {
        native_->gone = true;
        return false;
      }
      WindowEvent event;
      if (!translate(&e, event)) continue;
      if (isGestureEvent(e)) {
        out = event;
        return true;
      }
      if (deferred_.size() < kMaximumDeferred) deferred_.push_back(event);
    }
    // No event: if every button is up the release is not coming (our grab was broken),
    // so end the gesture here. The reply comes after any event the server sent before it.
    Window root, child;
    int rootX, rootY, x, y;
    unsigned state = 0;
    if (XQueryPointer(display, static_cast<Window>(window_), &root, &child, &rootX, &rootY, &x,
                      &y, &state) != 0 &&
        QLength(display) == 0 && (state & kButtonsHeld) == 0) {
      out = WindowEvent{};
      out.type = WindowEvent::ButtonUp;
      out.x = x;
      out.y = y;
      out.modifiers = modifiersOf(state);
      return true;
    }
    if (QLength(display) > 0) continue;
    int wait = kGestureCheckMs;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      if (left.count() < wait) wait = static_cast<int>(left.count());
    }
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, wait);
  }
}

int EditorWindow::currentModifiers() {
  if (native_ == nullptr || native_->gone || !native_->connection.valid()) return 0;
  Window root, child;
  int rootX, rootY, x, y;
  unsigned state = 0;
  if (XQueryPointer(native_->connection.display(), static_cast<Window>(window_), &root, &child,
                    &rootX, &rootY, &x, &y, &state) == 0)
    return 0;
  return modifiersOf(state);
}

void EditorWindow::takeKeyboardFocus() {
  if (native_ == nullptr || native_->gone || !native_->connection.valid()) return;
  Display* display = native_->connection.display();
  XSelectInput(display, static_cast<Window>(window_), kEventMask | KeyPressMask);
  // Fails harmlessly (and silently) while the window is not viewable. The round trip makes
  // the focus ours before this returns, so keys typed afterwards are ours.
  XSetInputFocus(display, static_cast<Window>(window_), RevertToParent, CurrentTime);
  native_->connection.takeError();
}

}  // namespace platform
