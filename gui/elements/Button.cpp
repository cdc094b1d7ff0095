#include "gui/elements/Button.h"

#include <GL/glew.h>

#include "gui/elements/Draw2D.h"
#include "gui/elements/Manager.h"
#include "gui/elements/StaticText.h"
#include "gui/text/Font.h"

namespace HC {

namespace {
const float kLabelColour[4] = {0.8f, 0.8f, 0.8f, 1.0f};
}

Button::Button(const std::string& label, Manager* manager, Callback callback, intptr_t callbackData,
               float x, float y, float width, float height, int32_t id)
    : ControlBase(manager), label(label), callback(callback), callbackData(callbackData), id(id) {
  box = BoundingBox::fromCorners(x, y, x + width, y + height);
}

void Button::fire() {
  if (callback) callback(this, callbackData);
}

void Button::draw() {
  glColor3f(0.0f, 1.0f, 0.0f);
  Draw2D::outline(box);
}

void Button::layout1() {
  const Font* font = manager->getMainFont();
  if (!font || label.empty()) return;
  BoundingBox window = windowBox();
  float width = font->advance(label.c_str());
  manager->getStaticText()->addLabel(label, window.centreX() - width / 2,
                                     window.centreY() - font->lineHeight() / 2 - font->descender(),
                                     kLabelColour);
}

void Button::bounds(BoundingBox& out) {
  out.unite(box);
}

void Button::pointerUp(const Point&, int) {
  fire();
}

void Button::pointerEnter() {
  manager->setHoveredIndex(id);
  manager->setTooltipElement(this);
}

void Button::pointerLeave() {
  if (manager->hoveredIndex() == id) manager->setHoveredIndex(-1);
}

UIElement* Button::hitTest(const Point& point) {
  return box.contains(point) ? this : nullptr;
}

}  // namespace HC
