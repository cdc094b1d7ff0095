#include "gui/elements/ControlParameter.h"

#include <cstring>

#include "framework/HvcAuBase.h"

namespace HC {

ControlParameter ControlParameter::of(HvcAuBase* effect, int32_t index) {
  ControlParameter p;
  p.index = index;
  if (!effect || !effect->isValidParameter(index)) return p;
  const ParameterDescriptor& d = effect->descriptor(index);
  if (d.name) std::strncpy(p.name, d.name, sizeof p.name - 1);
  p.unit = d.unit;
  p.minimum = d.minimum;
  p.maximum = d.maximum;
  p.defaultValue = d.defaultValue;
  p.effect = effect;
  return p;
}

}  // namespace HC
