#include "gui/product/LumoKnob.h"

#include "gui/product/TexturedKnobRenderer.h"

namespace HC {

LumoKnob::LumoKnob(int32_t index, Manager* manager, TexturedKnobRenderer* renderer,
                   const std::string&, float x, float y, float size)
    : Knob(index, manager, x, y, size), renderer(renderer), entry(renderer->addEntry()) {
  renderer->setEntryGeometry(entry, x + size / 2, y + size / 2, size / 2);
}

}  // namespace HC
