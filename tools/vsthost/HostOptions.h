// What the host tells a plug-in about itself; fixed per loaded instance.
#pragma once

#include <cstdint>
#include <string>

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
};

}  // namespace vsthost
