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
