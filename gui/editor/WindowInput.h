// The open editor's child window as the manager sees it: window events become the
// manager's pointer, keyboard and focus calls (y flipped to the bottom-left origin), and
// the window's pointer capture serves the manager's press gestures.
//
// Threads: the host's user-interface thread only (the thread that pumps the window).
#pragma once

#include <cstdint>

#include "gui/elements/GestureSource.h"
#include "platform/EditorWindow.h"
#include "platform/WindowEventSink.h"

namespace HC {

class Manager;

class WindowInput : public GestureSource, private platform::WindowEventSink {
public:
  explicit WindowInput(Manager* manager);
  ~WindowInput() override;
  WindowInput(const WindowInput&) = delete;
  WindowInput& operator=(const WindowInput&) = delete;

  // The child window at (0, 0) of parent, of the manager's size; false when it cannot be
  // made (the editor then stays open without a window).
  bool create(uintptr_t parent);
  uintptr_t handle() const { return window.handle(); }
  // Hands the window's queued events to the manager (press gestures run to their end).
  void pump();
  // Destroys the window; later events go nowhere.
  void destroy();

  void beginCapture() override;
  bool nextGestureEvent(GestureEvent& out) override;
  void endCapture() override;
  int currentModifiers() override;
  void takeKeyboardFocus() override;

private:
  void windowEvent(const platform::WindowEvent& event) override;

  Manager* manager;
  platform::EditorWindow window;
};

}  // namespace HC
