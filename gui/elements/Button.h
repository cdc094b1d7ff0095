// A rectangle that calls a procedure when the press on it is released. Its id is its hover
// id (-2 and below, so it never names a parameter): the banner and the tooltip show the
// manager's text for it. Its label is centred on it in the static text, so a script's
// button says what it does.
//
// Threads: pointer operations and the callback run on the user-interface thread, inside
// the press gesture; draw on the render thread.
#pragma once

#include <cstdint>
#include <string>

#include "gui/elements/ControlBase.h"

namespace HC {

class Button : public ControlBase {
 public:
  // callbackData is wide enough for a pointer (a script button passes its editor).
  using Callback = void (*)(Button* button, intptr_t callbackData);

  Button(const std::string& label, Manager* manager, Callback callback, intptr_t callbackData,
         float x, float y, float width, float height, int32_t id);

  const std::string& getLabel() const { return label; }
  int32_t getId() const { return id; }

  void draw() override;
  // Centres the label on the button in the static text (with the main font; none without).
  void layout1() override;
  void bounds(BoundingBox& box) override;
  void pointerUp(const Point& point, int modifiers) override;
  void pointerEnter() override;
  void pointerLeave() override;
  UIElement* hitTest(const Point& point) override;

 protected:
  void fire();

  std::string label;
  Callback callback;
  intptr_t callbackData;
  int32_t id;
};

}  // namespace HC
