// What the host tells a plug-in about itself; fixed per loaded instance.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "vsthost/CallbackRecord.h"

namespace vsthost {

struct HostOptions {
  // Answer to audioMasterVersion. 2400 is a VST 2.4 host; 0 makes a well-behaved plug-in
  // refuse to start (VSTPluginMain returns null).
  intptr_t versionAnswer = 2400;
  // Answers to audioMasterGetVendorString / GetProductString (cut to 63 characters).
  std::string vendor = "Quorvella Tools";
  std::string product = "quorvella-vsthost";
  // Reported by audioMasterGetSampleRate / GetBlockSize until setSampleRate / setBlockSize
  // tell the instance otherwise.
  float sampleRate = 44100.0f;
  int32_t blockSize = 512;
  // When set, sees each callback of the instance as it arrives, after it is recorded and
  // before the plug-in gets its answer: on the plug-in's calling thread, from any thread,
  // possibly from several at once. Callbacks attributed to the instance only later (made
  // by another thread while the entry ran) are recorded but not passed here.
  std::function<void(const CallbackRecord&)> observer;
};

}  // namespace vsthost
