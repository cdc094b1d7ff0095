#include "dsp/MeterValues.h"

#include <cstring>

namespace {
float smooth(double target, double e, float current) {
  return static_cast<float>(target + e * (current - target));
}
}  // namespace

void MeterValues::clear() {
  for (int c = 0; c < kChannels; ++c) {
    pitchHz[c].store(0.0f, std::memory_order_relaxed);
    cycleLevel[c].store(0.0f, std::memory_order_relaxed);
    env[c].store(0.0f, std::memory_order_relaxed);
    noCrossing[c].store(0, std::memory_order_relaxed);
  }
}

void MeterValues::update(int c, double e, uint32_t period, double sampleRate, float level,
                         float envelope, bool noPitchFound) {
  if (period != 0)
    pitchHz[c].store(smooth(sampleRate / period, e, pitch(c)), std::memory_order_relaxed);
  cycleLevel[c].store(smooth(level, e, this->level(c)), std::memory_order_relaxed);
  env[c].store(smooth(envelope, e, this->envelope(c)), std::memory_order_relaxed);
  noCrossing[c].store(noPitchFound ? 1 : 0, std::memory_order_relaxed);
}

void MeterValues::copyTo(void* buffer) const {
  float floats[8] = {0.0f, 0.0f, pitch(0), pitch(1), level(0), level(1), envelope(0), envelope(1)};
  unsigned char bytes[kBytes] = {};
  std::memcpy(bytes, floats, sizeof(floats));
  bytes[32] = noCrossing[0].load(std::memory_order_relaxed);
  bytes[33] = noCrossing[1].load(std::memory_order_relaxed);
  std::memcpy(buffer, bytes, kBytes);
}
