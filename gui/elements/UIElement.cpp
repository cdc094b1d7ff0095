#include "gui/elements/UIElement.h"

#include "gui/elements/Group.h"
#include "gui/elements/Manager.h"

namespace HC {

UIElement::UIElement(Manager* manager) : manager(manager) {
  manager->registerElement(this);
}

void UIElement::bounds(BoundingBox&) {}

void UIElement::setVisible(bool v) {
  visible.store(v, std::memory_order_relaxed);
}

BoundingBox UIElement::windowBox() {
  BoundingBox result;
  bounds(result);
  for (Group* g = parent; g; g = g->getParent())
    result.translate(g->offsetX(), g->offsetY(), g->offsetZ());
  return result;
}

}  // namespace HC
