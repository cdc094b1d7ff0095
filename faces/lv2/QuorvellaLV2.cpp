#include "faces/lv2/QuorvellaLV2.h"

#include <new>

#include "effect/HvcQuorvella.h"

namespace lv2face {

LV2Plugin* createQuorvellaLV2(double sampleRate, const LV2_Feature* const* features) {
  try {
    return new LV2Plugin(sampleRate, features, [](HostInterface& host) -> HvcAuBase* {
      return new HvcQuorvella(&host, nullptr);
    });
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace lv2face
