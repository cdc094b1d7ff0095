// Everything that decides the editor's picture beyond the element tree itself, taken once
// a frame after the overlay is prepared: the manager's change count (input, parameter
// deliveries, button texts), the current parameter values, the meter values, the hover
// light, the tooltip, the banner line and the drawing preferences. Two equal states give the
// same picture, so a frame whose state equals the last drawn one need not be drawn.
//
// The values are there because the text fields read them as they draw, while a host's
// program change, OSC and MIDI scripts change them without telling any control: the
// fields must show them at the next frame all the same.
//
// The light and the tooltip approach their targets geometrically and may settle into a
// cycle of the last bits; positions within a thousandth of a pixel (alpha within 1/10000)
// count as equal, far below what changes a pixel.
//
// Threads: the render thread only (the manager's render-side fields are its to read).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace HC {

class Manager;

class FrameState {
public:
  // Reads the manager as the frame is about to draw it.
  void capture(const Manager& manager);
  bool sameAs(const FrameState& other) const;
  // Equal in everything but the meter values: only what draws meters can differ.
  bool sameApartFromMeters(const FrameState& other) const;

private:
  bool captured = false;
  uint32_t changes = 0;
  uint32_t meters[10] = {};
  std::vector<float> values;  // keeps its storage from frame to frame
  float lightX = 0.0f, lightY = 0.0f;
  float tooltipAlpha = 0.0f, tooltipX = 0.0f, tooltipY = 0.0f;
  bool eyeCandy = false, floatingTooltip = false;
  int32_t bannerIndex = -1;
  std::string bannerName, bannerDisplay, bannerLabel, bannerButton, tooltipText;
};

}  // namespace HC
