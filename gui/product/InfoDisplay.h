// The information display: each channel's detected pitch as frequency, note name, octave and
// cents ("440.0Hz  A 4+0"), drawn while the channel is not silent, in red while the pitch
// analysis finds no cycle.
//
// Threads: constructed on the user-interface thread while the layout is built; draw (and
// the texts it keeps) on the render thread only, from the manager's per-frame copy of the
// meter block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/elements/UIElement.h"

namespace HC {

class InfoDisplay : public UIElement {
 public:
  static constexpr size_t kLineBytes = 32;
  // Below this envelope a channel counts as silent and shows nothing.
  static constexpr float kSilentEnvelope = 0.000001f;

  InfoDisplay(Manager* manager, float x, float y, float width, float height);

  // The text shown for a pitch in Hz. A pitch that is not a positive finite number gives an
  // empty text (the log of it names no note).
  static void pitchText(float hz, char (&line)[kLineBytes]);
  // The pitch, envelope and no-pitch flag of channel c in a 40-byte meter block.
  static float pitchOf(const uint32_t* meters, int channel);
  static float envelopeOf(const uint32_t* meters, int channel);
  static bool noPitchOf(const uint32_t* meters, int channel);

  // Recomputes a channel's text when its pitch changed; whether the channel is shown.
  bool refresh(const uint32_t* meters, int channel);
  const char* line(int channel) const { return lines[channel]; }

  void draw() override;
  bool meterArea(BoundingBox& area) override;
  void bounds(BoundingBox& out) override { out.unite(box); }

 private:
  float shownPitch[2] = {0.0f, 0.0f};
  char lines[2][kLineBytes] = {};
};

}  // namespace HC
