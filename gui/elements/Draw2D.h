// Immediate-mode drawing steps that several elements share. Render thread only, with the
// editor's GL context current.
#pragma once

#include "gui/elements/BoundingBox.h"
#include "gui/elements/Colour.h"

namespace HC {

class Draw2D {
public:
  // The box's edge as one closed line in the current colour (z ignored).
  static void outline(const BoundingBox& box);
  // The box as one filled quad in the current colour.
  static void fill(const BoundingBox& box);
  // One frame of a colour fade: shown moves 15% of the way to target.
  static void fadeToward(float shown[4], const Colour& target);
};

}  // namespace HC
