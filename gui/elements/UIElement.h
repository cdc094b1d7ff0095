// Base of everything in the editor's element tree. An element registers itself with its
// manager when constructed and is owned (and destroyed) by it. Its box is its own extent in
// the coordinates of its parent group.
//
// Threads: pointer, keyboard, hit-test and visibility operations run on the user-interface
// thread; draw, drawOverlay, layout1, layout2 and drawLabel on the render thread, which
// reads the visible flag and the box without a lock (the flag is atomic; boxes are set
// before the render thread starts, except where a subclass says otherwise).
#pragma once

#include <atomic>
#include <cstdint>

#include "gui/elements/BoundingBox.h"
#include "gui/elements/Point.h"

namespace HC {

class Font;
class Group;
class Manager;
struct ControlParameter;

class UIElement {
 public:
  explicit UIElement(Manager* manager);
  virtual ~UIElement() = default;
  UIElement(const UIElement&) = delete;
  UIElement& operator=(const UIElement&) = delete;

  // Main drawing, every frame through the tree.
  virtual void draw() {}
  // A second pass that groups forward; nothing in the frame calls it by default.
  virtual void drawOverlay() {}
  // Render thread, before a frame draws: elements whose picture follows the manager's meter
  // values unite the window area they draw into (in window pixels) and answer true. Any
  // element that reads meterValues must, so that a frame where only meters moved can
  // redraw just those areas.
  virtual bool meterArea(BoundingBox&) { return false; }
  // Unites the element's extent, in parent coordinates, into box.
  virtual void bounds(BoundingBox& box);
  virtual void pointerDown(const Point&, int /*modifiers*/) {}
  virtual void pointerDrag(const Point&, int /*modifiers*/) {}
  virtual void pointerUp(const Point&, int /*modifiers*/) {}
  virtual void pointerEnter() {}
  virtual void pointerLeave() {}
  // A change of the parameter this element listens to (delivered on the user-interface
  // thread).
  virtual void parameterValueChanged(const ControlParameter*, float /*value*/) {}
  // The element under point (parent coordinates), or null.
  virtual UIElement* hitTest(const Point&) { return nullptr; }
  // Once at GL set-up on every registered element, then layout2 on every one.
  virtual void layout1() {}
  virtual void layout2() {}
  // Fixed text drawn into the labels layer.
  virtual void drawLabel(Font*) {}
  // A typed character while the element has the keyboard; true when it was used.
  virtual bool character(uint32_t /*code*/) { return false; }
  virtual void focusLost() {}
  virtual void setVisible(bool visible);

  Manager* getManager() const { return manager; }
  Group* getParent() const { return parent; }
  bool isVisible() const { return visible.load(std::memory_order_relaxed); }
  const BoundingBox& getBox() const { return box; }
  void setBox(const BoundingBox& b) { box = b; }
  // The element's extent in window pixels: its bounds moved by every ancestor's offset.
  BoundingBox windowBox();

 protected:
  Manager* manager;
  Group* parent = nullptr;
  std::atomic<bool> visible{true};
  BoundingBox box;

  friend class Group;
};

}  // namespace HC
