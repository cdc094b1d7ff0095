// The signal core of one stereo instance, usable without any host, script or editor: the
// block settings, the scratch buffer, the two channel kernels and the meter block. Every
// block it turns the 40 plain parameter values and the sample rate into block settings,
// runs the kernels over their channels (in lock-step where the buffers allow, which gives
// the same samples) and moves the meters toward what the kernels measured.
//
// Threads: construction, setBlockSize and clear on a host thread while processing is
// suspended; process on the audio thread only, where it allocates nothing, takes no lock
// and never waits. The meters may be read on any thread at any time (MeterValues).
#pragma once

#include <cstdint>
#include <memory>

#include "dsp/BlockPreparation.h"
#include "dsp/BlockSettings.h"
#include "dsp/CQuorvellaKernel.h"
#include "dsp/LaneSteps.h"
#include "dsp/MeterValues.h"
#include "dsp/ScratchBuffer.h"

class QuorvellaSignalPath {
public:
  static constexpr int32_t kChannels = 2;
  static constexpr int32_t kInitialBlockSize = 1024;

  // Kernels reset, block settings and meters zeroed, scratch for kInitialBlockSize frames.
  QuorvellaSignalPath();
  ~QuorvellaSignalPath();
  QuorvellaSignalPath(const QuorvellaSignalPath&) = delete;
  QuorvellaSignalPath& operator=(const QuorvellaSignalPath&) = delete;

  // Blocks of up to size frames (at least 1) go through the kernels whole; longer ones in
  // pieces of that size. A size the machine cannot hold keeps the buffer it has.
  void setBlockSize(int32_t size);
  // Zeroes the block settings and the meters; the kernels keep their state.
  void clear();

  // One block. values: the 40 plain values of the live program. inputs and outputs: two
  // channel pointers each; a channel with a null input or output is left alone.
  void process(const float* values, float sampleRate, float* const* inputs,
               float* const* outputs, uint32_t frames) noexcept;

  // The delay of the whole output at a sample rate, in samples: the look-ahead.
  static int32_t latencyFor(float sampleRate);

  const BlockSettings& getBlockSettings() const { return settings; }
  const MeterValues& getMeters() const { return meters; }
  const CQuorvellaKernel& kernel(int32_t channel) const { return *kernels[channel]; }
  int32_t getScratchSize() const { return scratch.size(); }
  const float* getScratchBuffer() const { return scratch.data(); }

  // Whether process may run the two kernels in lock-step (the default). Off, every block
  // takes the per-kernel path, which gives the same samples; tests compare the two.
  void setKernelPairing(bool enabled) { kernelPairing = enabled; }
  // Which loop the lock-step path runs (the default is the best the processor runs); the
  // samples are the same with each, and tests compare them.
  void setLaneSteps(LaneSteps steps) { laneSteps = steps; }

private:
  void runKernels(float* const* inputs, float* const* outputs, uint32_t frames) noexcept;
  void updateMeters(float sampleRate, uint32_t frames) noexcept;

  BlockSettings settings{};
  BlockPreparation::Memory preparationMemory;
  ScratchBuffer scratch;
  std::unique_ptr<CQuorvellaKernel> kernels[kChannels];
  MeterValues meters;
  bool kernelPairing = true;
  LaneSteps laneSteps = LaneSteps::best;
};
