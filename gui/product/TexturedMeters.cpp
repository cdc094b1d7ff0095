#include "gui/product/TexturedMeters.h"

namespace HC {

TexturedMeters::TexturedMeters(Manager* manager, Texture*, float, float, float, float)
    : Effect(manager) {}

void TexturedMeters::addMeter(float x, float y, const uint32_t* slot) {
  meters.push_back(Meter{x, y, slot});
}

}  // namespace HC
