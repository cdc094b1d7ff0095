// Per-channel processing unit driven by the processing frame, one per output channel.
// process runs on the host's audio thread only and must not allocate, lock or wait.
#pragma once

#include <cstdint>

class AUKernelBase {
public:
  virtual ~AUKernelBase() = default;
  virtual void reset() {}
  virtual void process(const float* source, float* destination, uint32_t frames,
                       uint32_t channelCount, bool& silence) noexcept = 0;
};
