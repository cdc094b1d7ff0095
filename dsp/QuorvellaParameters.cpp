#include "dsp/QuorvellaParameters.h"

#include <cmath>

const ParameterDescriptor kQuorvellaParameters[kNumQuorvellaParameters] = {
    {"Dry Level", kUnitMixerFaderCurve1, 0.0f, 1.0f, 0.0f},
    {"Wet Level", kUnitMixerFaderCurve1, 0.0f, 1.0f, 1.0f},
    {"Osc Level", kUnitMixerFaderCurve1, 0.0f, 1.0f, 0.0f},
    {"Dry Ring Mod Level", kUnitMixerFaderCurve1, 0.0f, 1.0f, 0.0f},
    {"Wet Ring Mod Level", kUnitMixerFaderCurve1, 0.0f, 1.0f, 0.0f},
    {"Pitch Offset", kUnitRelativeSemiTones, -36.0f, 36.0f, 0.0f},
    {"Pitch Offset Sweepable", kUnitGeneric, -36.0f, 36.0f, 0.0f},
    {"Lowpass Cutoff", kUnitHertz, 10.0f, 1000.0f, 800.0f},
    {"Highpass Cutoff", kUnitHertz, 10.0f, 1000.0f, 100.0f},
    {"Use Filtered For Dry", kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {"Use Filtered For Wet", kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {"Sync Cycles", kUnitIndexed, 0.0f, 8.0f, 0.0f},
    {"Env Pre Gain", kUnitDecibels, 0.0f, 48.0f, 12.0f},
    {"Env Attack", kUnitMilliseconds, 1.0f, 1000.0f, 1.0f},
    {"Env Release", kUnitMilliseconds, 1.0f, 1000.0f, 1.0f},
    {"Env Gate", kUnitGeneric, 0.0f, 1.0f, 0.0f},
    {"Osc Env Follow", kUnitGeneric, 0.0f, 1.0f, 1.0f},
    {"Trigger Level", kUnitGeneric, 0.0f, 1.0f, 0.0f},
    {"Osc Pitch", kUnitGeneric, 0.0f, 127.0f, 0.0f},
    {"Pitch Env Depth", kUnitGeneric, 0.0f, 48.0f, 0.0f},
    {"Triangle", kUnitMixerFaderCurve1, 0.0f, 1.0f, 0.0f},
    {"Saw", kUnitMixerFaderCurve1, 0.0f, 1.0f, 1.0f},
    {"Square", kUnitMixerFaderCurve1, 0.0f, 1.0f, 0.0f},
    {"Pulse Width", kUnitPercent, 0.0f, 100.0f, 50.0f},
    {"PWM Env Depth", kUnitPercent, 0.0f, 200.0f, 0.0f},
    {"Filter Cutoff", kUnitHertz, 50.0f, 12000.0f, 1000.0f},
    {"Filter Q", kUnitGeneric, 0.01f, 1.0f, 0.1f},
    {"Filter Type", kUnitGeneric, 0.0f, 4.0f, 0.0f},
    {"Filter Env Depth", kUnitGeneric, -16.0f, 16.0f, 0.0f},
    {"Pitch LFO Shape", kUnitIndexed, 0.0f, 4.0f, 0.0f},
    {"Pitch LFO Speed", kUnitHertz, 0.05f, 20.0f, 5.0f},
    {"Pitch LFO Amount", kUnitGeneric, 0.0f, 36.0f, 0.0f},
    {"Pitch LFO Amount Fine", kUnitCents, 0.0f, 100.0f, 0.0f},
    {"Filter LFO Shape", kUnitIndexed, 0.0f, 4.0f, 0.0f},
    {"Filter LFO Speed", kUnitHertz, 0.05f, 20.0f, 0.2f},
    {"Filter LFO Amount", kUnitGeneric, 0.0f, 3.0f, 0.0f},
    {"PWM LFO Shape", kUnitIndexed, 0.0f, 4.0f, 0.0f},
    {"PWM LFO Speed", kUnitHertz, 0.05f, 20.0f, 0.2f},
    {"PWM LFO Amount", kUnitPercent, 0.0f, 100.0f, 0.0f},
    {"OSC Port Offset", kUnitIndexed, 0.0f, 100.0f, 0.0f},
};

namespace {
const char* const kLfoShapeNames[kNumLfoShapes] = {"Sine", "Tri", "SawUp", "Square", "SawDn"};
const char* const kFilterTypeNames[] = {"Thru", "Low", "Band", "High", "Thru"};
}  // namespace

const char* const* quorvellaValueNames(int32_t index) {
  bool lfoShape = index == kPitchLfoShape || index == kFilterLfoShape || index == kPwmLfoShape;
  return lfoShape ? kLfoShapeNames : nullptr;
}

const char* quorvellaValueText(int32_t index, float value) {
  switch (index) {
    case kSyncCycles:
    case kOscPortOffset: return value == 0.0f ? "Off" : nullptr;
    case kOscPitch: return value == 0.0f ? "Track" : nullptr;
    case kFilterType: {
      if (!std::isfinite(value)) return nullptr;
      float c = std::trunc(value + 0.5f);
      if (std::fabs(value - c) < 0.005f && c >= 0.0f && c <= 4.0f)
        return kFilterTypeNames[static_cast<int>(c)];
      return nullptr;
    }
    default: return nullptr;
  }
}

bool quorvellaHasValueTexts(int32_t index) {
  return index == kSyncCycles || index == kOscPortOffset || index == kOscPitch ||
         index == kFilterType;
}

int32_t quorvellaValueNameCount(int32_t index) {
  return quorvellaValueNames(index) ? kNumLfoShapes : 0;
}
