// One channel of the effect: keeps a history of its input, measures the input one cycle at
// a time inside the look-ahead, and mixes the delayed dry signal, the replayed cycle, the
// synced oscillator and the ring-modulation products through the morphing filter.
//
// process runs on the audio thread only; it reads the block settings and writes its half of
// the scratch buffer, both given at construction and owned by the signal path, and
// allocates nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "dsp/AUKernelBase.h"
#include "dsp/BlockSettings.h"
#include "dsp/LaneSteps.h"
#include "dsp/ScratchBuffer.h"

class CQuorvellaKernelPair;

class CQuorvellaKernel : public AUKernelBase {
public:
  static constexpr int32_t kHistorySize = 2048;
  static constexpr int32_t kHistoryMask = kHistorySize - 1;
  // Slots after the ring: slot kHistorySize mirrors slot 0, so that the two-channel path
  // reads a replay sample and its successor with one 16-byte load; the last slot only
  // keeps that load inside the allocation.
  static constexpr int32_t kHistoryPadding = 2;

  struct Slot {
    float raw;
    float filtered;
  };

  // settings and scratch outlive the kernel; channel picks the scratch half it filters into.
  CQuorvellaKernel(const BlockSettings& settings, const ScratchBuffer& scratch, int32_t channel);

  void reset() override;
  // A non-finite sample from the host (or an unstable filter setting) would leave the
  // recursive states non-finite for good. Called after every block: zeroes the states and
  // the history when any state is no longer finite, so the channel recovers at the next
  // block. Allocates nothing. Returns true when it had to.
  bool recoverFromNonFiniteState() noexcept;
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

  struct ZeroCrossing {
    uint32_t offset;  // 0: no rising crossing in the window
    float peak;       // largest positive filtered value up to the crossing, or 0
  };

  // The first rising zero crossing of the filtered history in the count slots from start
  // (wrapping), and the peak up to and including it. Needs the whole history. steps: the
  // vector loop to scan with (the result is the same with each).
  static ZeroCrossing scanZeroCrossing(const Slot* history, int32_t start, int32_t count,
                                       LaneSteps steps = LaneSteps::best) noexcept;

  // Whole part of a replay position, truncated toward zero. A position beyond the 64-bit
  // range (only possible with pitch ratios far outside the parameter ranges) or NaN gives
  // INT64_MIN, as the x86-64 conversion instruction does, with no undefined behaviour.
  static int64_t truncatePosition(double position) noexcept;

private:
  // Runs both channels' per-sample loops in lock-step; it keeps this kernel's state
  // exactly as process would.
  friend class CQuorvellaKernelPair;

  const BlockSettings& blockSettings() const noexcept { return *settings; }
  void analyseCycle() noexcept;
  void runSamples(const float* source, float* filtered, float* destination,
                  uint32_t n) noexcept;

  const BlockSettings* settings;
  const ScratchBuffer* scratch;
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
