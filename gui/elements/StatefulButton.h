// A button with a state: a toggle flips it and fires on the press; a momentary button is
// true at rest, false from the press (which fires) until the release (which does not).
//
// Threads: as Button; the state is read by the render thread and by scripts.
#pragma once

#include <atomic>

#include "gui/elements/Button.h"

namespace HC {

class StatefulButton : public Button {
 public:
  StatefulButton(const std::string& label, Manager* manager, Callback callback,
                 intptr_t callbackData, float x, float y, float width, float height, int32_t id,
                 bool toggle);

  bool getState() const { return state.load(std::memory_order_relaxed); }
  void setState(bool s) { state.store(s, std::memory_order_relaxed); }
  bool isToggle() const { return toggle; }

  void pointerDown(const Point& point, int modifiers) override;
  void pointerUp(const Point& point, int modifiers) override;

 private:
  std::atomic<bool> state;
  bool toggle;
};

}  // namespace HC
