// The plug-in binary's one export: lv2_descriptor, describing Quorvella's LV2 plug-in. Each
// call of the descriptor goes to the instance's LV2Plugin; the handle hosts pass around is
// the instance's LV2InstanceLink, which is also what the UI reaches through instance-access.
#include <lv2/core/lv2.h>

#include <cstring>

#include "faces/lv2/LV2Uris.h"
#include "faces/lv2/QuorvellaLV2.h"

namespace {

using lv2face::LV2InstanceLink;
using lv2face::LV2Plugin;

LV2Plugin* plugin(LV2_Handle handle) {
  return static_cast<LV2Plugin*>(static_cast<LV2InstanceLink*>(handle));
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
  LV2Plugin* made = lv2face::createQuorvellaLV2(rate, features);
  return made ? static_cast<LV2InstanceLink*>(made) : nullptr;
}

void connectPort(LV2_Handle handle, uint32_t port, void* location) {
  if (handle) plugin(handle)->connectPort(port, location);
}

void activate(LV2_Handle handle) {
  if (handle) plugin(handle)->activate();
}

void run(LV2_Handle handle, uint32_t frames) {
  if (handle) plugin(handle)->run(frames);
}

void deactivate(LV2_Handle handle) {
  if (handle) plugin(handle)->deactivate();
}

void cleanup(LV2_Handle handle) { delete plugin(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor descriptor = {lv2face::kPluginUri, instantiate, connectPort, activate,
                                   run,                 deactivate,  cleanup,     extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
