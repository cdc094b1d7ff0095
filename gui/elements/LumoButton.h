// A filled button that glows while the pointer is over it, its label in the static text.
//
// Threads: as Button; the colour it fades to is set on the user-interface thread and
// followed by the render thread.
#pragma once

#include "gui/elements/AtomicColour.h"
#include "gui/elements/Button.h"

namespace HC {

class LumoButton : public Button {
 public:
  LumoButton(const std::string& label, Manager* manager, Callback callback, intptr_t callbackData,
             float x, float y, float width, float height, int32_t id);

  Colour getTargetColour() const { return targetColour.get(); }
  const float* getShownColour() const { return shownColour; }

  void draw() override;
  void pointerEnter() override;
  void pointerLeave() override;

 private:
  float shownColour[4] = {0.3f, 0.3f, 0.3f, 0.2f};
  AtomicColour targetColour{{0.3f, 0.3f, 0.3f, 0.2f}};
};

}  // namespace HC
