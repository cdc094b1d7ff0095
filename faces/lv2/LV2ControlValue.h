// What a control port's value means for its parameter, in one place for the plug-in (which
// applies it) and its UI (which shows it): a plain value inside the parameter's range,
// whole for integer parameters, rounded half up as the VST face rounds them.
//
// Threading: a pure function; any thread.
#pragma once

#include <cmath>

#include "dsp/ParameterDescriptor.h"

namespace lv2face {

// False for a value that stands for nothing (not a number): the parameter keeps its value.
// Values outside the range, which no host should send, are held at its ends.
inline bool controlPlainValue(const ParameterDescriptor& d, float portValue, float& plain) {
  if (std::isnan(portValue)) return false;
  float v = portValue < d.minimum ? d.minimum : portValue > d.maximum ? d.maximum : portValue;
  if (d.unit == kUnitIndexed || d.unit == kUnitBeats)
    v = static_cast<float>(std::floor(static_cast<double>(v) + 0.5));
  plain = v;
  return true;
}

}  // namespace lv2face
