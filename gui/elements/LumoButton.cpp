#include "gui/elements/LumoButton.h"

#include <GL/glew.h>

#include "gui/elements/Draw2D.h"

namespace HC {

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

void LumoButton::draw() {
  Draw2D::fadeToward(shownColour, targetColour.get());
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4fv(shownColour);
  Draw2D::fill(box);
  glDisable(GL_BLEND);
}

}  // namespace HC
