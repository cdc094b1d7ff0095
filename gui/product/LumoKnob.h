// Stand-in for the product's knob while it is built elsewhere: a framework Knob that takes an
// entry of its renderer. Replaced by the real class on merge.
//
// Threads: as Knob.
#pragma once

#include <cstdint>
#include <string>

#include "gui/Knob.h"

namespace HC {

class TexturedKnobRenderer;

class LumoKnob : public Knob {
 public:
  LumoKnob(int32_t index, Manager* manager, TexturedKnobRenderer* renderer,
           const std::string& label, float x, float y, float size);

 private:
  TexturedKnobRenderer* renderer;
  int32_t entry;
};

}  // namespace HC
