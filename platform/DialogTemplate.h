// A dialog described as data: its title, size, font and controls, with sizes in dialog
// units (a quarter of the font's average character width across, an eighth of its height
// down), so the layout scales with the font the window system gives us. The window of
// ModalDialog.h builds itself from one of these, or from the library's dialog resource that
// resourceId names, which must then say the same.
//
// Threading: plain values; any thread.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class DialogControlKind {
  staticText,
  pushButton,
  defaultPushButton,  // pressed by Enter wherever the focus is (except on another button)
  groupBox,
  numberEdit,  // an edit field that takes digits only
  checkBox,
};

struct DialogControl {
  int id = 0;
  DialogControlKind kind = DialogControlKind::staticText;
  std::string text;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
};

struct DialogTemplate {
  std::string title;
  int width = 0, height = 0;  // dialog units
  std::string fontName;
  int pointSize = 8;
  std::vector<DialogControl> controls;  // also the Tab order of those that take the focus
  int initialFocus = 0;                 // id of the control that has the focus at opening
  // The dialog resource of the library that carries this template, on systems that build
  // dialogs from resources (Windows); 0 for none. Where the library has no such resource,
  // or the system builds dialogs itself, the window is made from the fields above.
  int resourceId = 0;
};

// Pixels from dialog units, from the dialog font's average character width and height in
// pixels, rounded to nearest as the classic conversion does.
struct DialogBaseUnits {
  int charWidth = 6;
  int charHeight = 13;

  int toPixelsX(int units) const { return scale(units, charWidth, 4); }
  int toPixelsY(int units) const { return scale(units, charHeight, 8); }

 private:
  static int scale(int units, int base, int divisor) {
    long long p = static_cast<long long>(units) * base;
    return static_cast<int>(p >= 0 ? (p + divisor / 2) / divisor : -((-p + divisor / 2) / divisor));
  }
};

}  // namespace platform
