// Static description of one parameter, in plain units.
#pragma once

#include <cstdint>

// Unit codes of the audio-unit parameter-unit family; 1, 2, 8 and 23 change scaling or
// display, the others only the label. Scripts rely on these numbers.
enum ParameterUnit : int32_t {
  kUnitGeneric = 0,
  kUnitIndexed = 1,
  kUnitBoolean = 2,
  kUnitPercent = 3,
  kUnitSeconds = 4,
  kUnitHertz = 8,
  kUnitCents = 9,
  kUnitRelativeSemiTones = 10,
  kUnitDecibels = 13,
  kUnitMixerFaderCurve1 = 17,
  kUnitPan = 18,
  kUnitBPM = 22,
  kUnitBeats = 23,
  kUnitMilliseconds = 24,
};

struct ParameterDescriptor {
  const char* name;
  int32_t unit;
  float minimum;  // plain value at normalised 0
  float maximum;  // plain value at normalised 1
  float defaultValue;

  // A slot with minimum, maximum and default all 0 is empty: controls bound to it get no
  // change notifications.
  bool isEmptySlot() const { return minimum == 0.0f && maximum == 0.0f && defaultValue == 0.0f; }

  // The host's normalised 0..1 form of a plain value: logarithmic for hertz, linear
  // otherwise. The one mapping, shared by the plug-in and the tools that drive it.
  float toNormalised(float plain) const;
  // Its inverse, the plain value of a normalised one: exponential for hertz, rounded to a
  // whole number for indexed and beat parameters, linear otherwise. Neither side clamps.
  float toPlain(float normalised) const;
};

// Label shown by the host for a unit code ("" for codes without one).
const char* parameterUnitLabel(int32_t unit);
