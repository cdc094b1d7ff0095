#include "tools/images/BackgroundTile.h"

#include <algorithm>
#include <cmath>

namespace images {

namespace {

// Fixed seed: every run draws the same tile.
constexpr uint32_t kSeed = 0x51f0c3a7u;

uint32_t hash(uint32_t x, uint32_t y, uint32_t layer) {
  uint32_t v = x * 0x8da6b343u ^ y * 0xd8163841u ^ layer * 0xcb1ab31fu ^ kSeed;
  v ^= v >> 16;
  v *= 0x7feb352du;
  v ^= v >> 15;
  v *= 0x846ca68bu;
  v ^= v >> 16;
  return v;
}

double unit(uint32_t v) { return double(v & 0xffffff) / double(0xffffff); }

int wrap(int v, int period) { return ((v % period) + period) % period; }

// Smooth noise on a lattice of cells x cells over the tile, its lattice wrapping around, so
// the result repeats every tile: -1 .. 1.
double latticeNoise(double x, double y, int cells, uint32_t layer) {
  double step = double(BackgroundTile::kSize) / cells;
  double fx = x / step, fy = y / step;
  int ix = int(std::floor(fx)), iy = int(std::floor(fy));
  double tx = fx - ix, ty = fy - iy;
  // Quintic easing: no creases along the lattice lines.
  auto ease = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
  auto corner = [&](int cx, int cy) {
    return unit(hash(uint32_t(wrap(cx, cells)), uint32_t(wrap(cy, cells)), layer)) * 2.0 - 1.0;
  };
  double a = corner(ix, iy), b = corner(ix + 1, iy);
  double c = corner(ix, iy + 1), d = corner(ix + 1, iy + 1);
  double ex = ease(tx), ey = ease(ty);
  return (a + (b - a) * ex) + ((c + (d - c) * ex) - (a + (b - a) * ex)) * ey;
}

// Distance to the nearest and second nearest of a few scattered points per cell, on a
// wrapping grid: their difference is 0 on the creases between pebbles.
double pebbles(double x, double y) {
  constexpr int kCells = 8;
  double step = double(BackgroundTile::kSize) / kCells;
  int cx = int(std::floor(x / step)), cy = int(std::floor(y / step));
  double nearest = 1e9, second = 1e9;
  for (int oy = -1; oy <= 1; ++oy)
    for (int ox = -1; ox <= 1; ++ox) {
      int gx = cx + ox, gy = cy + oy;
      uint32_t h = hash(uint32_t(wrap(gx, kCells)), uint32_t(wrap(gy, kCells)), 7);
      double px = (gx + 0.15 + 0.7 * unit(h)) * step;
      double py = (gy + 0.15 + 0.7 * unit(h >> 7 ^ h << 11)) * step;
      double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (d < nearest) {
        second = nearest;
        nearest = d;
      } else if (d < second) {
        second = d;
      }
    }
  return (second - nearest) / step;
}

}  // namespace

double BackgroundTile::height(int x, int y) {
  double px = wrap(x, kSize) + 0.5, py = wrap(y, kSize) + 0.5;
  // Rounded pebbles with soft creases, gently undulating, plus a trace of fine grain.
  double crease = std::min(1.0, pebbles(px, py) * 2.2);
  double pebble = std::sqrt(crease) * 1.2 - 0.6;
  double swell = 0.5 * latticeNoise(px, py, 4, 1) + 0.25 * latticeNoise(px, py, 8, 2);
  double grain = 0.12 * latticeNoise(px, py, 32, 3);
  return 0.7 * pebble + 0.3 * swell + grain;
}

Raster BackgroundTile::colour() {
  Raster image(kSize, kSize, 3);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      // Dark plum; raised parts a little lighter, creases darker, hue steady.
      double v = 1.0 + 0.16 * height(x, y) + 0.05 * latticeNoise(x + 0.5, y + 0.5, 16, 4);
      image.set(x, y, 0, 0.25 * v);
      image.set(x, y, 1, 0.17 * v);
      image.set(x, y, 2, 0.24 * v);
    }
  return image;
}

Raster BackgroundTile::normals() {
  Raster image(kSize, kSize, 3);
  // Slope scale: bumps lean at most about 25 degrees, enough for the moving light to show
  // them without turning the background into gravel.
  const double strength = 0.6;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      double gx = (height(x + 1, y) - height(x - 1, y)) * 0.5 * strength;
      double gy = (height(x, y + 1) - height(x, y - 1)) * 0.5 * strength;
      // Rows grow downwards in the file but upwards on screen.
      image.setNormal(x, y, -gx, gy, 1.0);
    }
  return image;
}

}  // namespace images
