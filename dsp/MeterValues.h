// The 40-byte meter block: per channel, detected pitch (Hz), cycle level and envelope, all
// smoothed, and a no-pitch flag byte. Written by the audio thread after every block, copied
// by readers on other threads without a lock; a reader may see values of two blocks.
#pragma once

#include <atomic>
#include <cstdint>

class MeterValues {
public:
  static constexpr int kBytes = 40;
  static constexpr int kChannels = 2;

  MeterValues() { clear(); }

  void clear();
  float pitch(int channel) const { return pitchHz[channel].load(std::memory_order_relaxed); }
  float level(int channel) const { return cycleLevel[channel].load(std::memory_order_relaxed); }
  float envelope(int channel) const { return env[channel].load(std::memory_order_relaxed); }
  bool noPitch(int channel) const { return noCrossing[channel].load(std::memory_order_relaxed) != 0; }

  // One-pole step toward each target with factor e (0 jumps, 1 stays); a channel without a
  // measured period keeps its pitch.
  void update(int channel, double e, uint32_t period, double sampleRate, float level, float envelope,
              bool noPitchFound);

  // Copies the 40-byte layout: 2 zero floats, 2 pitches, 2 levels, 2 envelopes, 2 flag bytes,
  // 6 zero bytes.
  void copyTo(void* buffer) const;

private:
  std::atomic<float> pitchHz[kChannels];
  std::atomic<float> cycleLevel[kChannels];
  std::atomic<float> env[kChannels];
  std::atomic<uint8_t> noCrossing[kChannels];
};
