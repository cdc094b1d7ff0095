// What a dialog's logic may do to its open window: read and change control texts and check
// marks, and end the modal loop. The window system's dialog implements it; tests use a
// plain recording one.
//
// Threading: only on the thread that runs the dialog's modal loop.
#pragma once

#include <string>

namespace platform {

class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // Unknown ids are ignored (text() answers "").
  virtual void setText(int id, const std::string& text) = 0;
  virtual std::string text(int id) const = 0;
  virtual void setChecked(int id, bool checked) = 0;
  virtual bool checked(int id) const = 0;
  // Ends the modal loop once the current event is handled; the loop answers result.
  virtual void end(int result) = 0;
};

}  // namespace platform
