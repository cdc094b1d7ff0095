// An axis-aligned box in element coordinates. The empty box has minimum 1e10 and maximum
// -1e10 on every axis, so a union with it gives the other box. Plain value type.
#pragma once

#include "gui/elements/Point.h"

namespace HC {

struct BoundingBox {
  float minX = 1e10f, minY = 1e10f, minZ = 1e10f;
  float maxX = -1e10f, maxY = -1e10f, maxZ = -1e10f;

  static BoundingBox fromCorners(float x0, float y0, float x1, float y1);

  bool isEmpty() const { return minX > maxX || minY > maxY; }
  // Edges count as inside.
  bool contains(const Point& p) const {
    return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY;
  }
  void unite(const BoundingBox& other);
  void translate(float dx, float dy, float dz);
  float centreX() const { return 0.5f * (minX + maxX); }
  float centreY() const { return 0.5f * (minY + maxY); }
  float width() const { return maxX - minX; }
  float height() const { return maxY - minY; }
};

}  // namespace HC
