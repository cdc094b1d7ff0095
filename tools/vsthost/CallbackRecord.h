// One call that a hosted plug-in made into the host callback.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "faces/vst2/AEffect.h"

namespace vsthost {

struct CallbackRecord {
  AEffect* effect = nullptr;  // record the plug-in passed; null while VSTPluginMain runs
  int32_t opcode = 0;
  int32_t index = 0;
  intptr_t value = 0;
  void* ptr = nullptr;        // as passed; kept for comparison only, never read later
  float opt = 0.0f;
  std::string text;           // the text at ptr for audioMasterCanDo, otherwise empty
  std::thread::id thread;     // the thread the call came from
  uint64_t sequence = 0;      // process-wide arrival order of callbacks
};

}  // namespace vsthost
