// The library's only exported symbols: VSTPluginMain and its alias main.
#include <new>

#include "faces/vst2/PluginEntry.h"

extern "C" {

__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
  if (!audioMaster) return nullptr;
  // A host that does not answer the version query is not usable.
  if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  AudioEffect* effect = nullptr;
  try {
    effect = createEffectInstance(audioMaster);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return effect ? effect->getAeffect() : nullptr;
}

// Older hosts look the entry up as "main"; same function, same address.
// The C++ name differs because ::main may not be declared here; the symbol is "main".
// A Windows DLL names its exports in faces/vst2/quorvella.def, which makes the alias there.
#ifndef _WIN32
__attribute__((visibility("default"))) AEffect* vstPluginMainAlias(audioMasterCallback audioMaster)
    __asm__("main") __attribute__((alias("VSTPluginMain")));
#endif

}  // extern "C"
