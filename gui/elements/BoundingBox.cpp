#include "gui/elements/BoundingBox.h"

#include <algorithm>

namespace HC {

BoundingBox BoundingBox::fromCorners(float x0, float y0, float x1, float y1) {
  BoundingBox box;
  box.minX = x0;
  box.minY = y0;
  box.minZ = 0.0f;
  box.maxX = x1;
  box.maxY = y1;
  box.maxZ = 0.0f;
  return box;
}

void BoundingBox::unite(const BoundingBox& other) {
  minX = std::min(minX, other.minX);
  minY = std::min(minY, other.minY);
  minZ = std::min(minZ, other.minZ);
  maxX = std::max(maxX, other.maxX);
  maxY = std::max(maxY, other.maxY);
  maxZ = std::max(maxZ, other.maxZ);
}

void BoundingBox::translate(float dx, float dy, float dz) {
  minX += dx;
  minY += dy;
  minZ += dz;
  maxX += dx;
  maxY += dy;
  maxZ += dz;
}

}  // namespace HC
