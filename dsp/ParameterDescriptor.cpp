#include "dsp/ParameterDescriptor.h"

#include <cmath>

#include "dsp/PortableMath.h"

float ParameterDescriptor::toNormalised(float plain) const {
  double v = plain, lo = minimum, hi = maximum;
  if (unit == kUnitHertz) {
    // A frequency of 0 or below (a script or OSC client may store one) has no place on the
    // logarithmic scale; the host gets the bottom of the range rather than -inf or NaN,
    // which it would record as automation and could not restore.
    if (!(v > 0.0)) return 0.0f;
    return static_cast<float>(pmath::log(v / lo) / pmath::log(hi / lo));
  }
  if (lo == hi) return minimum;
  return static_cast<float>((v - lo) / (hi - lo));
}

float ParameterDescriptor::toPlain(float normalised) const {
  double x = normalised, lo = minimum, hi = maximum;
  switch (unit) {
    case kUnitIndexed:
    case kUnitBeats: return static_cast<float>(std::floor(lo + x * (hi - lo) + 0.5));
    case kUnitHertz: return static_cast<float>(lo * pmath::exp2(x * pmath::log2(hi / lo)));
    default: return static_cast<float>(lo + x * (hi - lo));
  }
}

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
