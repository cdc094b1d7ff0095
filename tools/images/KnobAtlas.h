// The control atlas of the editor ("buttons.png") and its normal map ("buttons_n.png"):
// a knob face in one square cell near the top-left corner, a green-to-red meter strip in
// the rightmost columns, everything else transparent (flat in the normal map).
//
// File rows run top to bottom and the editor shows row 0 at the top, so "up" below means
// towards row 0. The knob renderer shows the face upright at mid travel, which is why the
// pointer mark points up.
//
// Threading: stateless; any thread.
#pragma once

#include "tools/images/Raster.h"

namespace images {

class KnobAtlas {
public:
  static constexpr int kSize = 128;
  // The knob face's cell: top-left pixel and side.
  static constexpr int kCellX = 1;
  static constexpr int kCellY = 1;
  static constexpr int kCellSize = 37;
  // The meter strip: columns kStripX .. kSize - 1; the meters show rows 0 .. kStripRows - 1,
  // red at row 0, green at the last; the rows below repeat the bottom colour so filtering
  // at the meter's lower edge never picks up anything else.
  static constexpr int kStripX = 123;
  static constexpr int kStripRows = 81;

  // 128 x 128 RGBA.
  static Raster colour();
  // 128 x 128 RGBA, alpha opaque: the knob as a shallow dome inside a raised, ribbed rim;
  // (128, 128, 255) wherever the atlas is flat.
  static Raster normals();
};

}  // namespace images
