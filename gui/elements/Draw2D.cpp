#include "gui/elements/Draw2D.h"

#include <GL/glew.h>

namespace HC {

namespace {

void corners(const BoundingBox& box) {
  glVertex2f(box.minX, box.minY);
  glVertex2f(box.maxX, box.minY);
  glVertex2f(box.maxX, box.maxY);
  glVertex2f(box.minX, box.maxY);
}

}  // namespace

void Draw2D::outline(const BoundingBox& box) {
  glBegin(GL_LINE_LOOP);
  corners(box);
  glEnd();
}

void Draw2D::fill(const BoundingBox& box) {
  glBegin(GL_QUADS);
  corners(box);
  glEnd();
}

void Draw2D::fadeToward(float shown[4], const Colour& target) {
  const float t[4] = {target.r, target.g, target.b, target.a};
  for (int i = 0; i < 4; ++i) shown[i] = 0.15f * t[i] + 0.85f * shown[i];
}

}  // namespace HC
