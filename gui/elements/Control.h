// An element bound to one parameter. It listens for the parameter's changes, shows the
// parameter in the banner while hovered, and wraps a press gesture in the host's begin and
// end edit. A control made for an index the effect does not have is inert: it never edits,
// never hovers a parameter and never touches the host.
//
// Threads: pointer operations and parameterValueChanged on the user-interface thread; the
// normalised value is atomic because the render thread draws from it.
#pragma once

#include <atomic>
#include <cstdint>

#include "gui/elements/ControlBase.h"
#include "gui/elements/ControlParameter.h"

namespace HC {

class Control : public ControlBase {
 public:
  // Copies the manager's record of the parameter and listens for its changes.
  Control(int32_t parameterIndex, Manager* manager);

  const ControlParameter& getParameter() const { return parameter; }
  bool isStepped() const { return stepped; }
  float getNormalised() const { return normalised.load(std::memory_order_relaxed); }

  void bounds(BoundingBox& box) override;
  // Starts an edit of the parameter: draggedIndex and the host's begin edit.
  void pointerDown(const Point& point, int modifiers) override;
  // Ends the edit this control started.
  void pointerUp(const Point& point, int modifiers) override;
  void pointerEnter() override;
  void pointerLeave() override;
  // Follows the parameter's current value (the value passed is not used).
  void parameterValueChanged(const ControlParameter* p, float value) override;
  UIElement* hitTest(const Point& point) override;

 protected:
  bool isBound() const { return parameter.isBound(); }
  int32_t index() const { return parameter.index; }
  float currentValue() const;
  // Stores a plain value as an editor change: the listeners and the host are told.
  void setPlainValue(float plain);
  void refreshNormalised();
  void beginEdit();
  void setNormalised(float v) { normalised.store(v, std::memory_order_relaxed); }

  bool stepped = false;
  ControlParameter parameter;
  std::atomic<float> normalised{0.0f};
};

}  // namespace HC
