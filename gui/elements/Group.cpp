#include "gui/elements/Group.h"

#include <GL/glew.h>

#include "gui/elements/Manager.h"

namespace HC {

Group::Group(Manager* manager) : UIElement(manager) {}

void Group::add(UIElement* element) {
  if (!element) return;
  for (UIElement* g = this; g; g = g->getParent())
    if (g == element) return;
  children.push_back(element);
  element->parent = this;
  element->setVisible(isVisible());
}

void Group::setOffset(float x, float y, float z) {
  offX = x;
  offY = y;
  offZ = z;
}

void Group::draw() {
  glPushMatrix();
  glTranslatef(offX, offY, offZ);
  for (UIElement* child : children) child->draw();
  glPopMatrix();
}

void Group::drawOverlay() {
  glPushMatrix();
  glTranslatef(offX, offY, offZ);
  for (UIElement* child : children) child->drawOverlay();
  glPopMatrix();
}

void Group::bounds(BoundingBox& out) {
  BoundingBox own;
  for (UIElement* child : children) child->bounds(own);
  own.translate(offX, offY, offZ);
  out.unite(own);
}

UIElement* Group::hitTest(const Point& point) {
  if (!isVisible()) return nullptr;
  Point local{point.x - offX, point.y - offY};
  for (UIElement* child : children)
    if (UIElement* hit = child->hitTest(local)) return hit;
  if (manager->groupsHittable() && ownBoxContains(point)) return this;
  return nullptr;
}

void Group::setVisible(bool v) {
  UIElement::setVisible(v);
  for (UIElement* child : children) child->setVisible(v);
}

}  // namespace HC
