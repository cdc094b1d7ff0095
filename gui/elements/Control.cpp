#include "gui/elements/Control.h"

#include "framework/HvcAuBase.h"
#include "gui/elements/Manager.h"

namespace HC {

namespace {
constexpr int32_t kUnitMIDINoteNumber = 11;
}

Control::Control(int32_t parameterIndex, Manager* manager) : ControlBase(manager) {
  parameter = manager->parameter(parameterIndex);
  int32_t unit = parameter.unit;
  stepped = unit == kUnitIndexed || unit == kUnitBoolean || unit == kUnitMIDINoteNumber ||
            unit == kUnitBeats;
  if (isBound()) manager->listeners().registerControl(index(), static_cast<UIElement*>(this));
}

float Control::currentValue() const {
  return parameter.effect->getPlainValue(index());
}

void Control::setPlainValue(float plain) {
  parameter.effect->setParameterFromEditor(index(), plain);
}

void Control::refreshNormalised() {
  setNormalised(parameter.effect->toNormalised(index(), currentValue()));
}

void Control::beginEdit() {
  manager->setDraggedIndex(index());
  parameter.effect->beginEdit(index());
}

void Control::bounds(BoundingBox& out) {
  out.unite(box);
}

void Control::pointerDown(const Point&, int) {
  if (isBound()) beginEdit();
}

void Control::pointerUp(const Point&, int) {
  if (!isBound() || manager->draggedIndex() != index()) return;
  parameter.effect->endEdit(index());
  manager->setDraggedIndex(-1);
}

void Control::pointerEnter() {
  if (!isBound()) return;
  manager->setHoveredIndex(index());
  manager->setTooltipElement(this);
}

void Control::pointerLeave() {
  if (isBound() && manager->hoveredIndex() == index()) manager->setHoveredIndex(-1);
}

void Control::parameterValueChanged(const ControlParameter*, float) {
  if (isBound()) refreshNormalised();
}

UIElement* Control::hitTest(const Point& point) {
  return box.contains(point) ? this : nullptr;
}

}  // namespace HC
