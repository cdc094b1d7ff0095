// Level meters drawn as strips of one atlas cell: each meter is a dark box of the cell's
// size, filled from its bottom upward in proportion to the value it watches (0..1).
//
// Threads: meters are added on the user-interface thread before the render thread starts;
// draw runs on the render thread and reads the watched values, which the render thread's
// own meter copy writes, so no lock is needed.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/elements/Effect.h"

namespace HC {

class Texture;

class TexturedMeters : public Effect {
 public:
  // texX, texY, width, height: the strip's cell in the atlas, in pixels; width and height
  // are also each meter's size in the window.
  TexturedMeters(Manager* manager, Texture* texture, float texX, float texY, float width,
                 float height);
  ~TexturedMeters() override;

  // A meter with its bottom-left corner at (x, y) in window pixels, showing the float held
  // in *slot (one entry of the manager's meterValues).
  void addMeter(float x, float y, const uint32_t* slot);
  void draw() override;
  bool meterArea(BoundingBox& area) override;

  // The value a meter shows: its float limited to 0..1, with anything that is no number as 0.
  static float shownValue(const uint32_t* slot);

 private:
  struct Meter {
    float x, y;
    const uint32_t* slot;
  };

  Texture* texture;
  float texX, texY, width, height;
  std::vector<Meter> meters;
};

}  // namespace HC
