// An RGBA colour with components 0..1.
#pragma once

namespace HC {

struct Colour {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

}  // namespace HC
