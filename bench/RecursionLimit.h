// The floor under the signal path's cost: only the per-sample recursions of both channels in
// lock-step (the input filter pair, the envelope follower and the multimode filter), with the
// block settings' coefficients and the packed layout the product uses, and nothing else: no
// history, no replay, no oscillator, no mixing, no cycle analysis, no block preparation.
// Each channel's multimode filter takes that channel's filtered input; the envelope moves
// toward a target that alternates between blocks; the output is the filter's band output.
//
// A benchmark object, used by one thread at a time; process allocates nothing.
#pragma once

#include <cstdint>

#include "dsp/BlockSettings.h"

class RecursionLimit {
public:
  void reset() noexcept;
  // Runs frames samples of both channels with the coefficients of settings.
  void process(const BlockSettings& settings, const float* const inputs[2],
               float* const outputs[2], uint32_t frames) noexcept;

private:
  float low1[2] = {}, band1[2] = {}, low2[2] = {}, band2[2] = {};
  float env[2] = {};
  float filterLow[2] = {}, filterBand[2] = {};
  bool rising = true;
};
