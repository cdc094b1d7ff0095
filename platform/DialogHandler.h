// The logic behind a modal dialog, called from inside its modal loop.
//
// Threading: every call on the thread that runs the loop.
#pragma once

namespace platform {

class DialogControls;

class DialogHandler {
 public:
  // The control id the window sends when the dialog is closed by its window frame or Escape.
  static constexpr int kCancel = 2;

  virtual ~DialogHandler() = default;
  // Before the window is shown: fill in texts and check marks.
  virtual void initialise(DialogControls& controls) = 0;
  // A push button or check box was activated (kCancel for close and Escape). Check boxes
  // do not change their mark themselves: the handler sets it.
  virtual void command(DialogControls& controls, int id) = 0;
  // The window is on screen and has the keyboard focus: input from now on reaches it.
  virtual void shown(DialogControls&) {}
};

}  // namespace platform
