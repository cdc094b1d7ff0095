#include "render/ProductParameters.h"

#include <string>

#include "dsp/QuorvellaParameters.h"

namespace render {
namespace {

// 'HCwb', the unique ID the product gives its record.
constexpr int32_t kQuorvellaId = 0x48437762;
// VST 2.4 names are cut to this many characters.
constexpr size_t kHostNameLength = 15;

}  // namespace

ProductParameters::ProductParameters(vsthost::HostedEffect& effect) {
  const AEffect* record = effect.record();
  if (record == nullptr || record->uniqueID != kQuorvellaId ||
      record->numParams != kNumQuorvellaParameters || effect.effectName() != "Quorvella")
    return;
  for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) {
    if (effect.parameterName(i) !=
        std::string(kQuorvellaParameters[i].name).substr(0, kHostNameLength))
      return;
  }
  known_ = true;
}

const ParameterDescriptor* ProductParameters::descriptor(int32_t index) const {
  if (!known_ || index < 0 || index >= kNumQuorvellaParameters) return nullptr;
  return &kQuorvellaParameters[index];
}

}  // namespace render
