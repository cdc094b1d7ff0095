// The product's knob: a Knob whose face is one entry of a TexturedKnobRenderer, turned
// through 270 degrees of travel, with an optional label under it in the labels layer.
//
// Threads: as Knob; layout1, drawLabel run on the render thread. The renderer outlives the
// knob (the manager deletes elements before effects).
#pragma once

#include <string>

#include "gui/elements/Knob.h"

namespace HC {

class TexturedKnobRenderer;

class LumoKnob : public Knob {
 public:
  LumoKnob(int32_t index, Manager* manager, TexturedKnobRenderer* renderer,
           const std::string& label, float x, float y, float size);
  ~LumoKnob() override;

  // The face's angle for a normalised value: pi/2 at the middle, 3pi/4 either side.
  static float angleFor(float normalised);

  // The box, raised by 5 pixels for the label.
  void bounds(BoundingBox& box) override;
  void parameterValueChanged(const ControlParameter* p, float value) override;
  void layout1() override;
  void drawLabel(Font* font) override;
  void setVisible(bool visible) override;

  int32_t getEntry() const { return entry; }

 private:
  TexturedKnobRenderer* renderer;
  int32_t entry;
  std::string label;
  float centreX = 0.0f, centreY = 0.0f;
};

}  // namespace HC
