#include "gui/product/TexturedKnobRenderer.h"

namespace HC {

TexturedKnobRenderer::TexturedKnobRenderer(Manager* manager, Texture*, Texture*, float, float,
                                           float)
    : Effect(manager) {}

int32_t TexturedKnobRenderer::addEntry() {
  entries.emplace_back();
  return entryCount() - 1;
}

void TexturedKnobRenderer::setAngle(int32_t entry, float angle) {
  if (valid(entry)) entries[entry].angle = angle;
}

void TexturedKnobRenderer::setEntryGeometry(int32_t entry, float centreX, float centreY,
                                            float radius) {
  if (!valid(entry)) return;
  entries[entry].centreX = centreX;
  entries[entry].centreY = centreY;
  entries[entry].radius = radius;
}

void TexturedKnobRenderer::setEntryVisible(int32_t entry, bool visible) {
  if (valid(entry)) entries[entry].visible = visible;
}

}  // namespace HC
