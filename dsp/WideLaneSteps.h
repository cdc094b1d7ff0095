// The middle of the two-channel lock-step loop, four samples at a time, on processors with
// AVX2, and with AVX-512 where they have it (WideLaneLoop). The recursions (input filter
// pair, envelope, replay phase, oscillator phase, multimode filter) still step one sample
// after the other with channel c in lane c (the input filter pair and the multimode filter,
// which share one shape, in the same instructions); the work between them (replay positions
// and interpolation, waveforms, mixing, the output sum) runs once for four samples of both
// channels in 256-bit lanes, which also gives the compiler three-operand instructions and so
// fewer copies. Every lane performs the scalar kernel's operations in the same order and
// precision (no fused multiply-add), and memory is touched in the kernel's order where it
// matters, so samples, histories and states are bit for bit those of the two-sample steps.
//
// Audio thread only; nothing here allocates, locks or waits. CQuorvellaKernelPair holds the
// lane state between its own steps and these.
#pragma once

#if defined(__SSE2__) && defined(__x86_64__)
#define QUORVELLA_WIDE_LANES 1

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "dsp/BlockSettings.h"
#include "dsp/LaneSteps.h"

class WideLaneSteps {
public:
  // The recursions' state in the two-sample steps' layout: channel c in lane c, the input
  // filter pair's low-pass stage in lanes 0-1 and high-pass stage in lanes 2-3. x holds the
  // next sample's input in lanes 0-1, its low-pass stage already run.
  struct State {
    __m128d phase;
    __m128 osc, env, filterLow, filterBand, inputLow, inputBand, x;
  };

  // One sub-run of both channels: buffers at the sub-run's first sample and the values of
  // each channel's current run.
  struct SubRun {
    const BlockSettings* settings;
    const float* source[2];
    float* destination[2];
    float* filtered[2];    // the filtered copy of the first sample
    float* store[2];       // raw member of the history slot the first sample writes
    const float* dry[2];   // chosen member of the first sample's dry slot
    const float* wet[2];   // chosen member of history slot 0
    float envFactor[2], envTarget[2], invPeriod[2];
    double period[2], cycleStart[2];
  };

  // The instruction sets the steps are compiled for; the samples are the same with each.
  enum class Instructions { avx2, avx512 };

  // Whether this processor runs the four-sample steps (it has AVX2), and the best set it
  // runs them with; both decided once, when the library loads.
  static bool available() noexcept;
  static Instructions best() noexcept;
  // The set a choice of loop asks for: best() for LaneSteps::best, else AVX2.
  static Instructions instructionsFor(LaneSteps steps) noexcept;

  // Runs the sub-run's samples from its first on, four at a time, while four samples and
  // the input after them lie within it (samples j to j + 3 need j + 4 <= last, last being
  // the sub-run's last sample), and returns the first sample not run. The dry reads of a
  // step come before its history writes, which needs a look-ahead of at least four samples.
  // Needs available(); AVX-512 is taken only where the processor has it, else AVX2.
  static size_t run(Instructions instructions, bool trackPitch, const SubRun& subRun,
                    State& state, size_t last) noexcept;

  // How far a scan came: the slots it passed, and whether the slot after them is the first
  // rising crossing.
  struct Scan {
    int32_t passed;
    bool crossing;
  };

  // The cycle analysis' scan over count consecutive history slots for the first rising zero
  // crossing (a positive value whose predecessor is not positive). filtered points at the
  // first slot's filtered member, with the slot before it in the same array; slots are
  // {raw, filtered} pairs. With AVX-512 it takes thirty-two slots at a time and stops at
  // the crossing itself; otherwise, and where fewer than thirty-two remain, eight at a time,
  // stopping before the first eight that hold a crossing, or when fewer than eight remain.
  // peak rises to the largest value among the slots passed, and the crossing's where it
  // stopped at one (NaNs and zeros never replace it). Needs available(), as run.
  static Scan scan(Instructions instructions, const float* filtered, int32_t count,
                   float& peak) noexcept;
};

#endif
