#include "gui/elements/StatefulButton.h"

namespace HC {

StatefulButton::StatefulButton(const std::string& label, Manager* manager, Callback callback,
                               intptr_t callbackData, float x, float y, float width, float height,
                               int32_t id, bool toggle)
    : Button(label, manager, callback, callbackData, x, y, width, height, id),
      state(!toggle),
      toggle(toggle) {}

void StatefulButton::pointerDown(const Point&, int) {
  setState(toggle ? !getState() : false);
  fire();
}

void StatefulButton::pointerUp(const Point&, int) {
  if (!toggle) setState(true);
}

}  // namespace HC
