// A pointer event inside a press gesture, as the window delivers it: window pixels with the
// origin at the TOP left (the manager flips y with the window height), and the modifier
// flags (gui/elements/Modifiers.h) held when the event happened.
#pragma once

namespace HC {

struct GestureEvent {
  enum Type { Move, Down, Up };
  Type type = Move;
  int x = 0;
  int y = 0;
  int modifiers = 0;
};

}  // namespace HC
