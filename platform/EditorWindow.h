// The editor's child window inside the host's window, and its input.
//
// On Linux the window lives on a connection of its own to the X server; the host's
// connection is never touched, and no process-wide error handler is installed (errors on
// our connection, such as a parent the host has already destroyed, make the call fail
// instead). The window is created with the pixel format that GLSurface uses, so a render
// thread can draw into it through its own connection.
//
// On Windows the window belongs to a window class of our module, registered with the
// process's first editor window and unregistered with its last (WindowCount), with a device
// context of its own that the render thread's GLSurface draws into. Its window procedure
// runs when the host's message loop dispatches our messages: it translates them into events
// and queues them (consecutive pointer moves merged, a few hundred events at most), and
// keeps presses from the default procedure. Coordinates are signed: a drag that holds the
// capture reports positions left of or above the window as negative, as X does.
//
// Input reaches the sink only when the owner pumps: processPending() from the host's idle
// call, and the press-gesture loop (beginCapture, nextGestureEvent until ButtonUp,
// endCapture) from inside the sink while it handles a ButtonDown.
//
// Threading: every method on one thread, the host's user-interface thread. handle() may be
// read by others once create() has returned.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WindowEvent.h"
#include "platform/WindowEventSink.h"

namespace platform {

class EditorWindow {
public:
  // Largest width or height accepted: what the window system's 16-bit sizes hold.
  static constexpr int kMaximumSize = 32767;

  EditorWindow();
  ~EditorWindow();  // destroy()
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  // Creates and shows the child window at (0, 0) of the given size in the parent (an X11
  // Window id on Linux, an HWND on Windows). False, with nothing created, when a window
  // already exists, the size is outside 1..kMaximumSize, there is no display or the parent
  // is not a window. Counts the window in WindowCount.
  bool create(uintptr_t parentWindowId, int width, int height);
  // The native window id; 0 without a window.
  uintptr_t handle() const { return window_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Destroys the window (harmless when the host destroyed it first) and closes the
  // connection; from then on no message reaches this object. Safe to call twice.
  void destroy();

  // Hands every event that the window system has produced so far to the sink, in order (on
  // Windows after dispatching the messages still waiting for our window).
  void processPending(WindowEventSink& sink);

  // Press gestures: grabs the pointer for this window until endCapture.
  void beginCapture();
  // Waits up to timeoutMs (negative: without limit) for the next pointer event of the
  // gesture: PointerMove, ButtonDown or ButtonUp, taking the ones already queued first.
  // Events of other kinds are kept for the next processPending. When no button is held any
  // more and the release never came (a grab or capture the window system broke, a release
  // that went to another window), a ButtonUp at the pointer's position ends the gesture.
  // False on time-out, when the window is gone or the connection was lost.
  bool nextGestureEvent(WindowEvent& out, int timeoutMs);
  void endCapture();

  // kModifier* flags of the keys held now.
  int currentModifiers();
  // Keyboard focus to this window, so that typed characters arrive; they do until the
  // FocusLost event.
  void takeKeyboardFocus();

  // Opaque native state.
  struct Native;

private:
  bool translate(const void* nativeEvent, WindowEvent& out);
  bool nextEvent(int timeoutMs, void* nativeEvent);

  std::unique_ptr<Native> native_;
  uintptr_t window_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool captured_ = false;
  std::vector<WindowEvent> deferred_;  // translated, not yet handed to a sink
};

}  // namespace platform
