// An element holding other elements (not owned: the manager owns every element) and moving
// them by its offset. Hiding a group hides its children; a hidden group answers no hit
// test, which is how a hidden panel's controls are disabled.
//
// Threads: add, setOffset and setVisible on the user-interface thread (children and the
// offset are set while the layout is built, before the render thread starts); draw on the
// render thread.
#pragma once

#include <vector>

#include "gui/elements/UIElement.h"

namespace HC {

class Group : public UIElement {
 public:
  explicit Group(Manager* manager);

  // Appends the element (parent = this) and gives it this group's visibility. An element
  // that would make the tree a cycle (this group or one of its ancestors) is refused.
  void add(UIElement* element);
  void setOffset(float x, float y, float z = 0.0f);
  float offsetX() const { return offX; }
  float offsetY() const { return offY; }
  float offsetZ() const { return offZ; }
  const std::vector<UIElement*>& getChildren() const { return children; }

  void draw() override;
  void drawOverlay() override;
  void bounds(BoundingBox& box) override;
  // Children in order, earlier ones winning; then the group itself, only while the
  // manager lets groups be hit (hover tracking) and the point is inside its own box.
  UIElement* hitTest(const Point& point) override;
  void setVisible(bool v) override;

 protected:
  // Whether the unshifted point lies in the group's own box (edges included).
  virtual bool ownBoxContains(const Point& point) const { return box.contains(point); }

  std::vector<UIElement*> children;
  float offX = 0.0f, offY = 0.0f, offZ = 0.0f;
};

}  // namespace HC
