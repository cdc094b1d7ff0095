#include "gui/elements/Knob.h"

#include <algorithm>
#include <cmath>

#include "framework/HvcAuBase.h"
#include "gui/elements/Modifiers.h"

namespace HC {

Knob::Knob(int32_t parameterIndex, Manager* manager, float x, float y, float size)
    : Control(parameterIndex, manager) {
  box = BoundingBox::fromCorners(x, y, x + size, y + size);
}

void Knob::pointerDown(const Point& point, int modifiers) {
  if (!isBound()) return;
  // The edit is opened before a click changes the value, so the host records the reset or
  // the flip inside this gesture's begin and end.
  Control::pointerDown(point, modifiers);
  if (modifiers & ModifierAlt) {
    setPlainValue(parameter.defaultValue);
    refreshNormalised();
  } else if (stepped && parameter.minimum == 0.0f && parameter.maximum == 1.0f) {
    setPlainValue(1.0f - currentValue());
    refreshNormalised();
  }
  pressX = point.x;
  pressY = point.y;
  pressValue = getNormalised();
}

void Knob::pointerDrag(const Point& point, int modifiers) {
  if (!isBound()) return;
  float rate = (modifiers & ModifierShift) ? fineSensitivity : coarseSensitivity;
  float v = pressValue + (point.y - pressY) * rate;
  // A value that is no number (a host stored one) starts the drag from the bottom.
  v = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
  float minimum = parameter.minimum;
  float range = parameter.maximum - minimum;
  bool hasRange = range != 0.0f;
  if ((modifiers & ModifierControl) && hasRange)
    v = (std::floor(minimum + v * range + 0.5f) - minimum) / range;
  setNormalised(v);
  if (stepped) {
    float plain = std::floor(minimum + v * range + 0.5f);
    if (hasRange) setNormalised((plain - minimum) / range);
    setPlainValue(plain);
  } else {
    setPlainValue(parameter.effect->toPlain(index(), v));
  }
}

}  // namespace HC
