#include "tools/images/KnobAtlas.h"

#include <algorithm>
#include <cmath>

namespace images {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Knob geometry in pixels, measured from the cell's centre.
constexpr double kCentreX = KnobAtlas::kCellX + KnobAtlas::kCellSize / 2.0;
constexpr double kCentreY = KnobAtlas::kCellY + KnobAtlas::kCellSize / 2.0;
// A little inside the cell so the smoothed edge is not cut by the cell's border.
constexpr double kRadius = KnobAtlas::kCellSize / 2.0 - 0.6;
constexpr double kFaceRadius = kRadius - 4.2;  // where the rim begins
constexpr double kGrooveWidth = 0.9;           // dark seam between face and rim
constexpr int kRibs = 24;                      // grip ribs around the rim

// The pointer: a bar from near the centre to near the rim, straight up.
constexpr double kPointerInner = 4.5;
constexpr double kPointerOuter = kFaceRadius - 1.2;
constexpr double kPointerHalfWidth = 1.15;

// Samples per pixel side for smooth edges.
constexpr int kSubsamples = 4;

struct Colour {
  double r, g, b;
};

// Height of the knob's surface in pixels at offset (dx, dy) from the centre, file rows
// growing downwards. A shallow dome on the face, a dip at the seam, a rounded bead with
// ribs for the rim.
double knobHeight(double dx, double dy) {
  double r = std::sqrt(dx * dx + dy * dy);
  if (r < kFaceRadius) {
    double u = r / kFaceRadius;
    return 1.6 * (1.0 - u * u);
  }
  double seamEnd = kFaceRadius + kGrooveWidth;
  if (r < seamEnd) return -0.35 * std::sin(kPi * (r - kFaceRadius) / kGrooveWidth);
  double u = std::min(1.0, (r - seamEnd) / (kRadius - seamEnd));
  double bead = std::sin(kPi * (0.15 + 0.85 * u));
  double angle = std::atan2(dy, dx);
  return bead * (1.3 + 0.22 * std::cos(kRibs * angle));
}

// True when (dx, dy) lies on the pointer bar (rounded ends).
bool onPointer(double dx, double dy) {
  double along = -dy;  // up
  double across = std::fabs(dx);
  if (across > kPointerHalfWidth) return false;
  if (along >= kPointerInner && along <= kPointerOuter) return true;
  double end = along < kPointerInner ? kPointerInner : kPointerOuter;
  double d = along - end;
  return d * d + across * across <= kPointerHalfWidth * kPointerHalfWidth;
}

// A repeatable pseudo-random value in 0..1 for ring k: the face's turned, machined look.
double ringGrain(int k) {
  uint32_t v = uint32_t(k) * 2654435761u + 0x9e3779b9u;
  v ^= v >> 15;
  v *= 2246822519u;
  v ^= v >> 13;
  return double(v & 0xffff) / 65535.0;
}

Colour knobColour(double dx, double dy) {
  double r = std::sqrt(dx * dx + dy * dy);
  if (onPointer(dx, dy)) return {0.97, 0.96, 0.93};
  if (r < kFaceRadius) {
    // Dark graphite with fine concentric turning marks, a touch lighter at the middle.
    double grain = 0.025 * (ringGrain(int(r * 3.0)) - 0.5);
    double v = 0.27 + 0.05 * (1.0 - r / kFaceRadius) + grain;
    return {v, v * 0.98, v * 1.03};
  }
  if (r < kFaceRadius + kGrooveWidth) return {0.09, 0.09, 0.10};
  // Satin metal rim; the ribs catch the light on their crests.
  double angle = std::atan2(dy, dx);
  double rib = 0.5 + 0.5 * std::cos(kRibs * angle);
  double u = (r - kFaceRadius - kGrooveWidth) / (kRadius - kFaceRadius - kGrooveWidth);
  double v = 0.44 + 0.08 * rib - 0.10 * u * u;
  return {v, v * 0.99, v * 1.02};
}

template <typename Sample>
void forEachKnobPixel(Sample sample) {
  for (int y = KnobAtlas::kCellY; y < KnobAtlas::kCellY + KnobAtlas::kCellSize; ++y)
    for (int x = KnobAtlas::kCellX; x < KnobAtlas::kCellX + KnobAtlas::kCellSize; ++x) sample(x, y);
}

// Offsets from the knob's centre of the sub-samples of pixel (x, y) that lie on the knob.
template <typename Visit>
int forEachCoveredSample(int x, int y, Visit visit) {
  int covered = 0;
  for (int sy = 0; sy < kSubsamples; ++sy)
    for (int sx = 0; sx < kSubsamples; ++sx) {
      double dx = x + (sx + 0.5) / kSubsamples - kCentreX;
      double dy = y + (sy + 0.5) / kSubsamples - kCentreY;
      if (dx * dx + dy * dy > kRadius * kRadius) continue;
      ++covered;
      visit(dx, dy);
    }
  return covered;
}

Colour meterColour(int row) {
  // 0 at the bottom row of the meters, 1 at the top.
  double u = double(KnobAtlas::kStripRows - 1 - std::min(row, KnobAtlas::kStripRows - 1)) /
             (KnobAtlas::kStripRows - 1);
  const Colour green{0.12, 0.78, 0.22}, lime{0.45, 0.86, 0.18}, amber{0.98, 0.74, 0.10},
      red{0.96, 0.14, 0.10};
  auto mix = [](Colour a, Colour b, double t) {
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
  };
  if (u < 0.6) return mix(green, lime, u / 0.6);
  if (u < 0.82) return mix(lime, amber, (u - 0.6) / 0.22);
  return mix(amber, red, std::min(1.0, (u - 0.82) / 0.12));
}

}  // namespace

Raster KnobAtlas::colour() {
  Raster image(kSize, kSize, 4);
  forEachKnobPixel([&](int x, int y) {
    Colour sum{0, 0, 0};
    int covered = forEachCoveredSample(x, y, [&](double dx, double dy) {
      Colour c = knobColour(dx, dy);
      sum.r += c.r;
      sum.g += c.g;
      sum.b += c.b;
    });
    if (covered == 0) return;
    image.set(x, y, 0, sum.r / covered);
    image.set(x, y, 1, sum.g / covered);
    image.set(x, y, 2, sum.b / covered);
    image.set(x, y, 3, double(covered) / (kSubsamples * kSubsamples));
  });
  // A rounded lamp across the strip's width and a dark line every third row, so a meter
  // reads as a ladder of lit segments.
  const double across[] = {0.72, 0.93, 1.0, 0.93, 0.72};
  for (int y = 0; y < kSize; ++y) {
    Colour c = meterColour(y);
    double segment = (y < kStripRows && y % 3 == 0) ? 0.55 : 1.0;
    for (int x = kStripX; x < kSize; ++x) {
      double k = across[x - kStripX] * segment;
      image.set(x, y, 0, c.r * k);
      image.set(x, y, 1, c.g * k);
      image.set(x, y, 2, c.b * k);
      image.set(x, y, 3, 1.0);
    }
  }
  return image;
}

Raster KnobAtlas::normals() {
  Raster image(kSize, kSize, 4);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      image.setNormal(x, y, 0.0, 0.0, 1.0);
      image.set(x, y, 3, 1.0);
    }
  const double e = 0.05;
  forEachKnobPixel([&](int x, int y) {
    double nx = 0, ny = 0, nz = 0;
    int covered = forEachCoveredSample(x, y, [&](double dx, double dy) {
      // Rows grow downwards in the file but upwards on screen, where the normal lives.
      double gx = (knobHeight(dx + e, dy) - knobHeight(dx - e, dy)) / (2 * e);
      double gy = (knobHeight(dx, dy + e) - knobHeight(dx, dy - e)) / (2 * e);
      double length = std::sqrt(gx * gx + gy * gy + 1.0);
      nx += -gx / length;
      ny += gy / length;
      nz += 1.0 / length;
    });
    if (covered > 0) image.setNormal(x, y, nx, ny, nz);
  });
  return image;
}

}  // namespace images
