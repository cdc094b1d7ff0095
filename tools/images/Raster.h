// An 8-bit image being drawn by the image generator: RGB or RGBA rows, top row first, the
// layout the editor's PNG decoder hands to GL.
//
// Threading: plain value; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace images {

class Raster {
public:
  // All samples start at 0 (transparent black for RGBA).
  Raster(int width, int height, int channels);

  int width() const { return w; }
  int height() const { return h; }
  int channels() const { return n; }
  const std::vector<uint8_t>& bytes() const { return data; }

  // Sample c of pixel (x, y); x and y must lie inside the image.
  uint8_t at(int x, int y, int c) const { return data[index(x, y) + c]; }
  // Stores v, given in 0..1 and clamped there, as the nearest 8-bit level.
  void set(int x, int y, int c, double v);
  // Stores a surface normal the way normal maps hold it: each component mapped from -1..1
  // to 0..255, so the flat normal (0, 0, 1) reads (128, 128, 255). The vector is
  // normalised first; a zero vector stores the flat normal.
  void setNormal(int x, int y, double nx, double ny, double nz);

private:
  size_t index(int x, int y) const { return (size_t(y) * size_t(w) + size_t(x)) * size_t(n); }

  int w;
  int h;
  int n;
  std::vector<uint8_t> data;
};

}  // namespace images
