// The product's 40 parameters, in index order, and the names the scripts and the OSC
// address space know them by.
#pragma once

#include "framework/ParameterDescriptor.h"

enum QuorvellaParameter : int32_t {
  kDryLevel = 0,
  kWetLevel,
  kOscLevel,
  kDryRingModLevel,
  kWetRingModLevel,
  kPitchOffset,
  kPitchOffsetSweepable,
  kLowpassCutoff,
  kHighpassCutoff,
  kUseFilteredForDry,
  kUseFilteredForWet,
  kSyncCycles,
  kEnvPreGain,
  kEnvAttack,
  kEnvRelease,
  kEnvGate,
  kOscEnvFollow,
  kTriggerLevel,
  kOscPitch,
  kPitchEnvDepth,
  kTriangle,
  kSaw,
  kSquare,
  kPulseWidth,
  kPwmEnvDepth,
  kFilterCutoff,
  kFilterQ,
  kFilterType,
  kFilterEnvDepth,
  kPitchLfoShape,
  kPitchLfoSpeed,
  kPitchLfoAmount,
  kPitchLfoAmountFine,
  kFilterLfoShape,
  kFilterLfoSpeed,
  kFilterLfoAmount,
  kPwmLfoShape,
  kPwmLfoSpeed,
  kPwmLfoAmount,
  kOscPortOffset,
  kNumQuorvellaParameters
};

extern const ParameterDescriptor kQuorvellaParameters[kNumQuorvellaParameters];

// The names of an indexed parameter's values, the first for its minimum and one for each
// whole step up (the LFO shapes), or none. Constant texts.
struct ParameterValueNames {
  const char* const* names;
  int32_t count;
};
ParameterValueNames quorvellaValueNames(int32_t index);

// The product's own text for one value of a parameter ("Off", "Track", the filter types),
// or null when that value shows as a number. hasValueTexts tells the parameters that have
// such texts for some of their values.
bool quorvellaHasValueTexts(int32_t index);
const char* quorvellaValueText(int32_t index, float value);
