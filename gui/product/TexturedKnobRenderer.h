// Stand-in for the knob renderer while it is built elsewhere: it records its entries (angle,
// geometry, visibility) and draws nothing. Replaced by the real class on merge.
//
// Threads: addEntry and setEntryGeometry on the user-interface thread while the layout is
// built; setAngle and setEntryVisible from the controls.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/Effect.h"

namespace HC {

class Texture;

class TexturedKnobRenderer : public Effect {
 public:
  struct Entry {
    float angle = 0.0f;
    float centreX = 0.0f, centreY = 0.0f, radius = 0.0f;
    bool visible = true;
  };

  TexturedKnobRenderer(Manager* manager, Texture* atlas, Texture* normalMap, float cellX,
                       float cellY, float cellSize);

  int32_t addEntry();
  void setAngle(int32_t entry, float angle);
  void setEntryGeometry(int32_t entry, float centreX, float centreY, float radius);
  void setEntryVisible(int32_t entry, bool visible);
  int32_t entryCount() const { return static_cast<int32_t>(entries.size()); }

 private:
  bool valid(int32_t entry) const { return entry >= 0 && entry < entryCount(); }
  std::vector<Entry> entries;
};

}  // namespace HC
