// Receiver of the events of an EditorWindow. Called on the thread that pumps the window
// (the host's user-interface thread), one event at a time, in arrival order.
#pragma once

#include "platform/WindowEvent.h"

namespace platform {

class WindowEventSink {
public:
  virtual ~WindowEventSink() = default;
  // May start a press gesture on the window (beginCapture ... endCapture) before it
  // returns.
  virtual void windowEvent(const WindowEvent& event) = 0;
};

}  // namespace platform
