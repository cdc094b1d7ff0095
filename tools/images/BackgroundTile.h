// The editor's background tile ("bgtile.png") and its normal map ("bgtile_n.png"): a dark
// plum, finely pebbled surface like grained leather. Both come from one height field that
// repeats every kSize pixels, so the tiles join without seams in either direction and the
// light moves over the same bumps that the colour shows.
//
// Threading: stateless; any thread.
#pragma once

#include "tools/images/Raster.h"

namespace images {

class BackgroundTile {
public:
  static constexpr int kSize = 64;

  // 64 x 64 RGB.
  static Raster colour();
  // 64 x 64 RGB normal map.
  static Raster normals();
  // The surface's height at pixel (x, y), about -1 .. 1; x and y wrap around kSize.
  static double height(int x, int y);
};

}  // namespace images
