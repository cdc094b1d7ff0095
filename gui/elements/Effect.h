// Base of the editor's batched drawing objects (the static text, the product's renderers).
// The manager owns them and calls them in list order.
//
// Threads: every operation runs on the render thread with the window's GL context current.
#pragma once

#include "gui/elements/BoundingBox.h"

namespace HC {

class Manager;

class Effect {
 public:
  explicit Effect(Manager* manager) : manager(manager) {}
  virtual ~Effect() = default;
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Once per frame before drawing.
  virtual void update() {}
  // The 2D pass, after the elements.
  virtual void draw() {}
  // The lit perspective pass.
  virtual void draw3D() {}
  // As UIElement::meterArea: effects that read the manager's meter values unite the window
  // area they draw them into and answer true.
  virtual bool meterArea(BoundingBox&) { return false; }
  virtual void initGL() {}
  virtual void teardownGL() {}

 protected:
  Manager* manager;
};

}  // namespace HC
