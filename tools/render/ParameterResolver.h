// Turns "--param NAME=VALUE" into a parameter index and a normalised value for any
// VST 2.4 plug-in, which only speaks normalised values.
//
// NAME forms: a 0-based index; the name the host sees or, for Quorvella, the full name
// behind it (see ProductParameters); then the same case-insensitively; then any prefix
// of either that only one parameter has. An ambiguous name lists the candidates.
//
// VALUE forms:
// - normalised: "0.25n" (or any value when `normalised` is set), within 0..1;
// - plain number of a Quorvella parameter: within its range, mapped exactly as the
//   plug-in maps plain values, whatever the display shows;
// - plain number of any other plug-in: bisection over normalised 0..1 on the display
//   text read back as a number; the display must grow or shrink steadily with it. Where
//   the display reads exactly VALUE, the middle of that stretch is chosen (the end of
//   the range when the stretch touches it); otherwise the crossing point, so the result
//   is as precise as the display;
// - display text ("Off", "SawUp", "Track"): matched case-insensitively against the texts
//   shown at 129 evenly spaced points; the middle of the matching stretch is chosen.
//
// Probing moves the parameter through many values on the instance; call it before
// processing. The final value is left set on success.
#pragma once

#include <cstdint>
#include <string>

#include "render/ProductParameters.h"
#include "vsthost/HostedEffect.h"

namespace render {

class ParameterResolver {
 public:
  explicit ParameterResolver(vsthost::HostedEffect& effect) : effect_(effect), product_(effect) {}

  // A 0-based index within numParams, or a name as above. Returns an empty string or the
  // error.
  std::string find(const std::string& parameter, int32_t& index);

  // Finds the normalised value for `value`, sets it and stores it in `normalised`.
  // Returns an empty string or the error (value out of range or not reachable, text not
  // among the values shown).
  std::string apply(int32_t index, const std::string& value, bool forceNormalised,
                    float& normalised);

 private:
  std::string showAt(int32_t index, float x);
  std::string applyNumber(int32_t index, double target, float& normalised);
  std::string applyText(int32_t index, const std::string& target, float& normalised);
  // The full name where the plug-in is known, else the name the host sees.
  std::string fullName(int32_t index);
  std::string describe(int32_t index);

  vsthost::HostedEffect& effect_;
  ProductParameters product_;
};

}  // namespace render
