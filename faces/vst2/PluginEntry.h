// The hook behind the exported entry: creates one effect object for a host. Each plug-in
// built from this face defines it once (CreateEffectInstance.cpp for Quorvella; the test
// plug-ins theirs, with editors of their own).
#pragma once

#include "faces/vst2/AudioEffect.h"

// Returns the new effect, or null when it cannot be created.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
