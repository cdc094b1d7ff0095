#include "gui/LumoButton.h"

#include <GL/glew.h>

#include "gui/Font.h"
#include "gui/Manager.h"
#include "gui/StaticText.h"

namespace HC {

namespace {
const float kLabelColour[4] = {0.8f, 0.8f, 0.8f, 1.0f};
}

LumoButton::LumoButton(const std::string& label, Manager* manager, Callback callback,
                       intptr_t callbackData, float x, float y, float width, float height,
                       int32_t id)
    : Button(label, manager, callback, callbackData, x, y, width, height, id) {}

void LumoButton::pointerEnter() {
  Button::pointerEnter();
  targetColour.set({0.8f, 0.4f, 0.1f, 0.3f});
}

void LumoButton::pointerLeave() {
  Button::pointerLeave();
  targetColour.set({0.3f, 0.3f, 0.3f, 0.2f});
}

void LumoButton::layout1() {
  const Font* font = manager->getMainFont();
  if (!font) return;
  BoundingBox window = windowBox();
  float width = font->advance(label.c_str());
  manager->getStaticText()->addLabel(label, window.centreX() - width / 2,
                                     window.centreY() - font->lineHeight() / 2 - font->descender(),
                                     kLabelColour);
}

void LumoButton::draw() {
  Colour target = targetColour.get();
  const float t[4] = {target.r, target.g, target.b, target.a};
  for (int i = 0; i < 4; ++i) shownColour[i] = 0.15f * t[i] + 0.85f * shownColour[i];
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4fv(shownColour);
  glBegin(GL_QUADS);
  glVertex2f(box.minX, box.minY);
  glVertex2f(box.maxX, box.minY);
  glVertex2f(box.maxX, box.maxY);
  glVertex2f(box.minX, box.maxY);
  glEnd();
  glDisable(GL_BLEND);
}

}  // namespace HC
