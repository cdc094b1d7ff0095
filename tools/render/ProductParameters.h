// The full names, units and plain ranges behind a hosted Quorvella's parameters.
//
// VST 2.4 gives a host only 15-character names and normalised values. Quorvella's own
// parameter table holds the full names ("Pitch Offset Sweepable" behind
// "Pitch Offset Sw") and the ranges and units that map plain values to normalised ones.
// The table is used only when the loaded plug-in is Quorvella and every name it gives the
// host is the start of the table's name at the same index, so a plug-in of another
// version or vendor is never read through a table that does not describe it.
//
// Threading: built and queried on the thread that drives the instance; holds no state
// besides the match.
#pragma once

#include <cstdint>

#include "dsp/ParameterDescriptor.h"
#include "vsthost/HostedEffect.h"

namespace render {

class ProductParameters {
 public:
  // Queries the effect's identity and parameter names once.
  explicit ProductParameters(vsthost::HostedEffect& effect);

  bool known() const { return known_; }
  // The descriptor of parameter `index`, or null when the plug-in is not known or the
  // index is outside the table.
  const ParameterDescriptor* descriptor(int32_t index) const;

 private:
  bool known_ = false;
};

}  // namespace render
