// What the manager needs of the editor's window to run a press gesture and to give text
// fields the keyboard. The editor adapts its platform window to this, so the element
// framework never sees a window system.
//
// Threads: the user-interface thread only (the thread that delivers the window's events).
#pragma once

#include "gui/elements/GestureEvent.h"

namespace HC {

class GestureSource {
 public:
  virtual ~GestureSource() = default;

  // Routes every pointer event to this window until endCapture().
  virtual void beginCapture() = 0;
  // Blocks for the next pointer event of the gesture; false when none can come (the
  // window went away, retrieval failed), which ends the gesture.
  virtual bool nextGestureEvent(GestureEvent& out) = 0;
  virtual void endCapture() = 0;
  // Modifier flags held right now.
  virtual int currentModifiers() = 0;
  // Makes the window receive the keyboard's characters.
  virtual void takeKeyboardFocus() = 0;
};

}  // namespace HC
