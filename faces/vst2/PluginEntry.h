// The product hook behind the exported entry: creates one effect object for a host.
#pragma once

#include "faces/vst2/AudioEffect.h"

// Defined by the product. Returns the new effect, or null when it cannot be created.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
