// One channel of the effect: keeps a history of its input, measures the input one cycle at
// a time inside the look-ahead, and mixes the delayed dry signal, the replayed cycle, the
// synced oscillator and the ring-modulation products through the morphing filter.
//
// process runs on the audio thread only; it reads the block settings and writes the
// effect's scratch buffer, and allocates nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "effect/HvcQuorvella.h"
#include "framework/AUKernelBase.h"

class HvcQuorvella::CQuorvellaKernel : public AUKernelBase {
public:
  static constexpr int32_t kHistorySize = 2048;
  static constexpr int32_t kHistoryMask = kHistorySize - 1;

  struct Slot {
    float raw;
    float filtered;
  };

  CQuorvellaKernel(HvcQuorvella* effect, int32_t channel);

  void reset() override;
  void process(const float* source, float* destination, uint32_t frames, uint32_t channelCount,
               bool& silence) noexcept override;

  // Read by the meter update after both kernels ran, and by tests.
  float getCycleLevel() const { return cycleLevel; }
  float getEnv() const { return env; }
  float getEnvTarget() const { return envTarget; }
  uint32_t getPeriod() const { return period; }
  bool getNoCrossing() const { return noCrossing; }
  uint32_t getSamplesToAnalysis() const { return samplesToAnalysis; }
  int32_t getSyncCount() const { return syncCount; }
  float getOscPhase() const { return oscPhase; }
  int32_t getWriteIndex() const { return writeIndex; }
  int32_t getChannel() const { return channel; }
  const Slot* getHistory() const { return history.get(); }

private:
  struct ZeroCrossing {
    uint32_t offset;
    float peak;
  };

  void analyseCycle() noexcept;
  ZeroCrossing scanZeroCrossing(int32_t start, int32_t count) const noexcept;
  void runSamples(const float* source, float* filtered, float* destination,
                  uint32_t n) noexcept;

  HvcQuorvella* effect;
  int32_t channel;

  float cycleLevel;
  float envTarget;
  uint32_t period;
  uint32_t samplesToAnalysis;
  int32_t cycleStart = 0;
  int32_t syncCount;
  bool noCrossing;
  double replayPhase;
  float oscPhase;
  float env;
  float filterLow, filterBand;
  float low1, band1, low2, band2;  // input filter pair
  std::unique_ptr<Slot[]> history;
  int32_t writeIndex;
};
