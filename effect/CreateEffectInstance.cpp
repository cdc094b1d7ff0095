#include "effect/HvcQuorvella.h"
#include "host/PluginEntry.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  return new HvcQuorvella(audioMaster);
}
