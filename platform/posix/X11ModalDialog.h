// The X11 side of runModalDialog (platform/ModalDialog.h): one top-level window on a
// connection of its own, controls drawn in it with Xlib (lines, fills) and Xft (text in
// the template's font through fontconfig, at 96 pixels per inch as dialog templates
// assume), and the modal event loop.
//
// Threading: one object per run, used only on the thread that called run().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DialogControls.h"
#include "platform/DialogHandler.h"
#include "platform/DialogTemplate.h"
#include "platform/posix/XConnection.h"

namespace platform {

class X11ModalDialog : public DialogControls {
 public:
  X11ModalDialog(const DialogTemplate& dialog, uintptr_t owner, DialogHandler& handler);
  ~X11ModalDialog() override;
  X11ModalDialog(const X11ModalDialog&) = delete;
  X11ModalDialog& operator=(const X11ModalDialog&) = delete;

  // Shows the window and runs the loop; the result given to end(), kCancel when the
  // connection or the owner went away, -1 when no window could be made.
  int run();

  void setText(int id, const std::string& text) override;
  std::string text(int id) const override;
  void setChecked(int id, bool checked) override;
  bool checked(int id) const override;
  void end(int result) override;

 private:
  struct Control {
    DialogControl layout;  // as the template gives it
    int x = 0, y = 0, width = 0, height = 0;  // pixels
    std::string text;
    bool checked = false;
  };
  struct Resources;

  bool createWindow(Resources& r, int width, int height);
  void handle(Resources& r, const XEvent& event);
  void key(Resources& r, const XEvent& event);
  void activate(int index);
  void moveFocus(int step);
  void setFocus(int index);
  int controlAt(int x, int y) const;
  static bool takesFocus(const Control& c);
  void draw(Resources& r);
  void drawControl(Resources& r, int index);
  void drawText(Resources& r, const std::string& text, int x, int y, int width, int height,
                bool centred, bool highlighted);

  const DialogTemplate& dialog_;
  uintptr_t owner_;
  DialogHandler& handler_;
  XConnection connection_;
  std::vector<Control> controls_;
  unsigned long window_ = 0;
  int focus_ = -1;
  int pressed_ = -1;         // control held down by the pointer
  bool selectAll_ = false;   // the focused edit field's text is selected
  bool ended_ = false;
  int result_ = DialogHandler::kCancel;
};

}  // namespace platform
