// State shared by every editor in the process: the group outline colours that layout
// scripts set, and the three editor preferences, read again whenever a manager is built.
//
// Threads: colours are set and read on user-interface threads; the flags are written by a
// manager's construction and read by render threads. Every field is atomic.
#pragma once

#include "gui/elements/AtomicColour.h"

namespace HC {

class EditorOptions {
 public:
  static Colour activeGroupColour() { return active().get(); }
  static Colour inactiveGroupColour() { return inactive().get(); }
  static void setActiveGroupColour(const Colour& c) { active().set(c); }
  static void setInactiveGroupColour(const Colour& c) { inactive().set(c); }

  // "Enable eye candy" (default on), "Enable constant redraw" (on), "Enable floating
  // tooltip" (off), from the user's preferences.
  static void readPreferences();
  static bool eyeCandy();
  static bool constantRedraw();
  static bool floatingTooltip();
  static void setFloatingTooltip(bool on);
  // The Preferences dialog changes the flags of the running process with their stored values.
  static void setEyeCandy(bool on);
  static void setConstantRedraw(bool on);

 private:
  static AtomicColour& active();
  static AtomicColour& inactive();
};

}  // namespace HC
