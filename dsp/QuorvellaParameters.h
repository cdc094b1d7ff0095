// The product's 40 parameters, in index order, and the names the scripts and the OSC
// address space know them by; the names of the LFO shapes and the texts of the special
// values that displays show instead of numbers.
#pragma once

#include "dsp/ParameterDescriptor.h"

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

// Number of named LFO shapes (parameters 29, 33 and 36).
constexpr int32_t kNumLfoShapes = 5;

// The names of an indexed parameter's values, in value order ("Sine" .. "SawDn" for the
// three LFO shapes), or null for a parameter whose values have no names.
const char* const* quorvellaValueNames(int32_t index);
// How many names quorvellaValueNames gives for the parameter (0 for none).
int32_t quorvellaValueNameCount(int32_t index);

// The text that stands for a special value ("Off", "Track", the filter type names), or
// null when the value shows as a number.
const char* quorvellaValueText(int32_t index, float value);
// Whether some values of the parameter show as such a text.
bool quorvellaHasValueTexts(int32_t index);
