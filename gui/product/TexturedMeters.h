// Stand-in for the level meters while they are built elsewhere: it records where each meter
// is and which slot of the meter block it reads, and draws nothing. Replaced by the real
// class on merge.
//
// Threads: addMeter on the user-interface thread while the layout is built.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/Effect.h"

namespace HC {

class Texture;

class TexturedMeters : public Effect {
 public:
  TexturedMeters(Manager* manager, Texture* texture, float texX, float texY, float width,
                 float height);

  void addMeter(float x, float y, const uint32_t* slot);

 private:
  struct Meter {
    float x, y;
    const uint32_t* slot;
  };
  std::vector<Meter> meters;
};

}  // namespace HC
