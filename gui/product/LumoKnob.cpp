#include "gui/product/LumoKnob.h"

#include <GL/gl.h>

#include "dsp/ParameterDescriptor.h"
#include "gui/product/TexturedKnobRenderer.h"
#include "gui/text/Font.h"

namespace HC {

LumoKnob::LumoKnob(int32_t index, Manager* manager, TexturedKnobRenderer* renderer,
                   const std::string& label, float x, float y, float size)
    : Knob(index, manager, x, y, size), renderer(renderer), label(label) {
  entry = renderer->addEntry();
  renderer->setAngle(entry, 0.0f);
  renderer->setEntryVisible(entry, true);
  // Relative semitones move in whole steps like the indexed and note parameters.
  if (parameter.unit == kUnitRelativeSemiTones) stepped = true;
}

LumoKnob::~LumoKnob() {
  renderer->setEntryVisible(entry, false);
}

float LumoKnob::angleFor(float normalised) {
  return (2.0f * normalised - 1.0f) * 2.356194490192345f + 1.5707963267948966f;
}

void LumoKnob::bounds(BoundingBox& out) {
  BoundingBox own = box;
  if (!label.empty()) own.maxY += 5.0f;
  out.unite(own);
}

void LumoKnob::parameterValueChanged(const ControlParameter* p, float value) {
  Knob::parameterValueChanged(p, value);
  if (isBound()) renderer->setAngle(entry, angleFor(getNormalised()));
}

void LumoKnob::layout1() {
  BoundingBox b = windowBox();
  centreX = b.centreX();
  centreY = b.centreY() + (label.empty() ? 0.0f : 2.5f);
  renderer->setEntryGeometry(entry, centreX, centreY, b.maxX - centreX);
}

void LumoKnob::drawLabel(Font* font) {
  if (label.empty() || !font) return;
  float w = font->advance(label.c_str());
  float halfLine = font->lineHeight() / 2;
  BoundingBox b = windowBox();
  glColor3f(0.52f, 0.55f, 0.5f);
  font->drawText(label.c_str(), centreX - w / 2, centreY - b.height() / 4 - halfLine);
}

void LumoKnob::setVisible(bool v) {
  Knob::setVisible(v);
  renderer->setEntryVisible(entry, v);
}

}  // namespace HC
