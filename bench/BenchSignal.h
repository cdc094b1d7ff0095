// What the signal-path benchmarks share: the block size and rate they run at, the input they
// process, and an effect and block settings set up for one factory program.
//
// Threading: stateless; any thread.
#pragma once

#include <string>
#include <vector>

#include "dsp/BlockSettings.h"

class HvcQuorvella;

class BenchSignal {
public:
  static constexpr int kBlock = 512;
  static constexpr double kRate = 44100.0;
  static constexpr int kInputBlocks = 64;

  // kInputBlocks blocks of a decaying saw bass line, so that cycles are measured and
  // envelopes move; the same samples on every run.
  static std::vector<float> bassLine();
  // The factory program of that name, or -1.
  static int programNamed(const std::string& name);
  // effect at kRate and kBlock on program; settings: that program's block settings.
  static void setUp(HvcQuorvella& effect, int program, BlockSettings& settings);
  // The label of a program's figures: its name and the instruction set the signal path's
  // loops run with on this processor ("AVX-512", "AVX2" or "SSE2"), which the figures
  // depend on.
  static std::string label(int program);
};
