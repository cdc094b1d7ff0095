// A rotary control dragged vertically: moving up raises the value, x is ignored. The coarse
// rate covers the range in 200 pixels, Shift's fine rate in 2000; Control snaps to whole
// steps of the linear range; Alt-click resets to the default; a click on a stepped 0..1
// knob flips it.
//
// Threads: as Control.
#pragma once

#include "gui/elements/Control.h"

namespace HC {

class Knob : public Control {
 public:
  Knob(int32_t parameterIndex, Manager* manager, float x, float y, float size);

  // Normalised units per pixel of vertical movement.
  void setSensitivity(float coarse, float fine) {
    coarseSensitivity = coarse;
    fineSensitivity = fine;
  }

  void pointerDown(const Point& point, int modifiers) override;
  void pointerDrag(const Point& point, int modifiers) override;

 protected:
  float pressX = 0.0f, pressY = 0.0f, pressValue = 0.0f;
  float coarseSensitivity = 0.005f;
  float fineSensitivity = 0.0005f;
};

}  // namespace HC
