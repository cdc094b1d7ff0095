// Runs the two channel kernels' per-sample loops in lock-step, channel 0 in SIMD lane 0 and
// channel 1 in lane 1, so that one stream of packed instructions does the work of both; the
// work between the recursions runs for two samples at once, the second in lanes 2 and 3.
// Every lane performs the scalar kernel's operations in the same order and precision, so the
// output, the histories and all kernel state are bit for bit those of processing the two
// kernels one after the other (NaN payloads aside).
//
// Each channel keeps its own run structure: a run starts after each of its cycle analyses
// and at the start of every process call, and the envelope factor is chosen once per run,
// exactly as the kernel does. The loop runs in sub-runs that end wherever either channel
// needs an analysis, at the block end, and where a history index would wrap.
//
// Audio thread only; nothing here allocates. The object is a view of two kernels and may
// live on the stack for one block.
#pragma once

#include <cstdint>

#include "dsp/CQuorvellaKernel.h"
#include "dsp/LaneSteps.h"

class CQuorvellaKernelPair {
public:
  using Kernel = CQuorvellaKernel;

  // steps: the loop to run (LaneSteps); with AVX2 or AVX-512 the pair takes four samples at
  // a time (WideLaneSteps), with SSE2 two.
  CQuorvellaKernelPair(Kernel& left, Kernel& right, LaneSteps steps = LaneSteps::best) noexcept;

  // Whether the lock-step path gives the sequential result for these buffers: all four are
  // present, neither channel's output overlaps the other channel's input (the sequential
  // order lets channel 1 read what channel 0 wrote), each output is its own input or does
  // not overlap it, and the two outputs are the same buffer or do not overlap.
  static bool suits(const float* const inputs[2], float* const outputs[2],
                    uint32_t frames) noexcept;

  // One piece of a block: frames at most the scratch size, filtered[c] the scratch half of
  // channel c. Same effect as kernel c's process(inputs[c], outputs[c], frames) for c = 0, 1.
  void process(const float* const inputs[2], float* const outputs[2],
               float* const filtered[2], uint32_t frames) noexcept;

private:
  // Values fixed for one run of one channel, taken as the kernel takes them.
  struct Run {
    float envFactor;
    float envTarget;
    float period;
    float invPeriod;
    double cycleStart;
  };

  void beginRun(int c) noexcept;
  uint32_t subRunLength(uint32_t remaining) const noexcept;
  template <bool kTrackPitch>
  void runSamples(const float* const inputs[2], float* const outputs[2],
                  float* const filtered[2], uint32_t offset, uint32_t n) noexcept;

  Kernel* kernels[2];
  Run runs[2];
  LaneSteps steps;
  bool wide = false;  // four samples at a time
};
