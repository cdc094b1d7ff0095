// One line of static text: where it starts, which colour it takes and which run of the
// static text's vertex buffer holds its glyph quads.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace HC {

struct StaticTextLabel {
  std::string text;
  const float* colour = nullptr;  // 4 floats owned by whoever added the label, read each frame
  float x = 0.0f, y = 0.0f;       // baseline start, window pixels
  int32_t firstVertex = 0;
  int32_t vertexCount = 0;
  // The label shows while this flag is set: its own, or one that the adder keeps (a group
  // title follows its group's visibility).
  const std::atomic<bool>* visibleFlag = nullptr;
  std::atomic<bool> ownVisible{true};

  bool isVisible() const {
    return (visibleFlag ? *visibleFlag : ownVisible).load(std::memory_order_relaxed);
  }
};

}  // namespace HC
