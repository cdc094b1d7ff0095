#include "tools/images/Raster.h"

#include <algorithm>
#include <cmath>

namespace images {

Raster::Raster(int width, int height, int channels)
    : w(std::max(width, 0)), h(std::max(height, 0)), n(std::max(channels, 1)),
      data(size_t(w) * size_t(h) * size_t(n), 0) {}

void Raster::set(int x, int y, int c, double v) {
  // NaN would make lround undefined; it counts as 0.
  double clamped = v > 0.0 ? std::min(v, 1.0) : 0.0;
  data[index(x, y) + c] = uint8_t(std::lround(clamped * 255.0));
}

void Raster::setNormal(int x, int y, double nx, double ny, double nz) {
  double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (!(length > 0.0)) {
    nx = ny = 0.0;
    nz = length = 1.0;
  }
  set(x, y, 0, nx / length * 0.5 + 0.5);
  set(x, y, 1, ny / length * 0.5 + 0.5);
  set(x, y, 2, nz / length * 0.5 + 0.5);
}

}  // namespace images
