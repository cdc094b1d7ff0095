// One input event of the editor's window, in portable form: the window backend translates
// every native event into this before any editor code sees it.
#pragma once

#include <cstdint>

namespace platform {

// Modifier flags, read from the event itself (the state of the keys when it happened).
enum : int {
  kModifierAlt = 0x100,
  kModifierShift = 0x200,
  kModifierControl = 0x800,
};

struct WindowEvent {
  enum Type {
    PointerMove,  // also when the pointer enters or leaves the window
    ButtonDown,   // left, middle or right button; the wheel is not reported
    ButtonUp,
    Character,    // a typed character: printable ASCII, 13 Enter, 8 Backspace, 3 Ctrl-C
    FocusLost,    // the window lost keyboard focus
    Exposed,      // the window's picture must be drawn again: shown after being hidden,
                  // or uncovered, as the window system reports it
  };
  Type type = PointerMove;
  int x = 0;  // window pixels, origin top-left as delivered; pointer events only
  int y = 0;
  int modifiers = 0;       // kModifier* flags
  uint32_t character = 0;  // Character only
};

}  // namespace platform
