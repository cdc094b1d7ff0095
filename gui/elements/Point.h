// A point in window pixels, origin at the bottom left, y upwards; relative to the parent
// group where an element operation receives it.
#pragma once

namespace HC {

struct Point {
  float x = 0.0f;
  float y = 0.0f;
};

}  // namespace HC
