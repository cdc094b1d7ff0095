// Settings shared by both channel kernels for one block, written only by the block
// preparation at the start of the block (audio thread) and read by the kernels.
#pragma once

#include <cstdint>

struct BlockSettings {
  float dryGain, wetGain, oscGain, dryRingGain, wetRingGain;
  float oscEnvFollow;
  float triggerLevel;
  float triangleGain, sawGain, squareGain;
  float inputLowpassF, inputLowpassDamping;
  float inputHighpassF, inputHighpassDamping;
  float envPreGain;
  float envAttackCoef, envReleaseCoef;
  float envGate;
  float filterF, filterFRange;
  float filterDamping;
  float thruWeight, lowWeight, bandWeight, highWeight;
  float pitchRatio, pitchRatioRange;
  float fixedIncrement, fixedIncrementRange;
  float pulseWidth, pwmDepth;
  bool trackPitch;
  bool filteredDry, filteredWet;
  int32_t syncCycles;
  int32_t lookAhead;
  // LFO phases in cycles, in [0, 1); they run on across programs and are shared by both
  // channels.
  float filterLfoPhase, pitchLfoPhase, pwmLfoPhase;
};
