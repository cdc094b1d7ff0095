// Quorvella as an LV2 plug-in: the product (HvcQuorvella) behind the LV2 face, without an
// editor: the UI binary makes the editor and hands it to the product (LV2UI), so the
// plug-in binary links no GL or window system.
//
// Threading: the host's instantiation thread.
#pragma once

#include "faces/lv2/LV2Plugin.h"

namespace lv2face {

// Null when the product cannot be made (out of memory).
LV2Plugin* createQuorvellaLV2(double sampleRate, const LV2_Feature* const* features);

}  // namespace lv2face
