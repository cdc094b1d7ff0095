#include "framework/ParameterDescriptor.h"

const char* parameterUnitLabel(int32_t unit) {
  switch (unit) {
    case kUnitPercent: return "%";
    case kUnitSeconds: return "seconds";
    case kUnitHertz: return "Hz";
    case kUnitCents: return "cents";
    case kUnitDecibels: return "dB";
    case kUnitPan: return "L/R";
    case kUnitBPM: return "BPM";
    case kUnitBeats: return "beats";
    case kUnitMilliseconds: return "ms";
    default: return "";
  }
}
