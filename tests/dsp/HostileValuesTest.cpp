// Hosts, scripts and OSC clients can store any float into a parameter, far outside its range,
// infinite or NaN. Whatever they store, the output stays finite, and both processing paths
// give the same samples.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "tests/dsp/SignalHarness.h"

namespace {

const float kHostileValues[] = {1e30f,
                                -1e30f,
                                1e4f,
                                -1e4f,
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::quiet_NaN(),
                                -1.0f,
                                FLT_MAX,
                                -FLT_MAX,
                                2.5f};

// A pitched, level-changing stereo signal with gaps, so that cycles are measured, envelopes
// rise and fall, and every modulation moves.
StereoBuffer material(size_t frames) {
  StereoBuffer b(frames);
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    const double amp = (i / 3000) % 4 == 3 ? 0.0 : 0.9 * std::exp(-4.0 * std::fmod(t, 0.068));
    b.left[i] = static_cast<float>(amp * std::sin(2.0 * M_PI * 196.0 * t));
    b.right[i] = static_cast<float>(amp * (2.0 * std::fmod(t * 131.0, 1.0) - 1.0));
  }
  return b;
}

struct Pair {
  std::unique_ptr<SignalHarness> paired{new SignalHarness()};
  std::unique_ptr<SignalHarness> single{new SignalHarness()};
  Pair() { single->setKernelPairing(false); }
  void setProgram(int p) {
    paired->setProgram(p);
    single->setProgram(p);
  }
  void set(int index, float value) {
    paired->setPlainValue(index, value);
    single->setPlainValue(index, value);
  }
  // Renders in through both; fails on the first non-finite sample or difference.
  ::testing::AssertionResult render(const StereoBuffer& in) {
    StereoBuffer a = renderBlocks(*paired, in, 512);
    StereoBuffer b = renderBlocks(*single, in, 512);
    for (size_t i = 0; i < in.left.size(); ++i) {
      for (int c = 0; c < 2; ++c) {
        const float va = c ? a.right[i] : a.left[i];
        const float vb = c ? b.right[i] : b.left[i];
        if (!std::isfinite(va))
          return ::testing::AssertionFailure()
                 << "channel " << c << " sample " << i << " is " << va;
        if (std::memcmp(&va, &vb, sizeof va) != 0)
          return ::testing::AssertionFailure() << "paths differ at channel " << c << " sample " << i
                                               << ": " << va << " vs " << vb;
      }
    }
    return ::testing::AssertionSuccess();
  }
};

// Every parameter in turn, at every hostile value, on top of every factory program; after
// each value the program's own value comes back and the output is checked again.
TEST(HostileValues, EveryParameterKeepsTheOutputFinite) {
  const StereoBuffer in = material(6000);
  const StereoBuffer after = material(2000);
  for (int p = 0; p < kNumFactoryPrograms; ++p) {
    Pair pair;
    pair.setProgram(p);
    float values[kNumQuorvellaParameters];
    factoryProgramValues(kFactoryPrograms[p], values);
    for (int index = 0; index < kOscPortOffset; ++index) {
      for (float hostile : kHostileValues) {
        pair.set(index, hostile);
        ASSERT_TRUE(pair.render(in)) << kFactoryPrograms[p].name << ", "
                                     << kQuorvellaParameters[index].name << " = " << hostile;
        pair.set(index, values[index]);
        ASSERT_TRUE(pair.render(after))
            << kFactoryPrograms[p].name << ", " << kQuorvellaParameters[index].name
            << " restored after " << hostile;
      }
    }
  }
}

}  // namespace

namespace {

// Several parameters hostile at once, drawn at random (fixed seeds), on top of random
// in-range settings.
TEST(HostileValues, CombinationsKeepTheOutputFinite) {
  const StereoBuffer in = material(4000);
  uint32_t state = 99u;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int trial = 0; trial < 300; ++trial) {
    Pair pair;
    std::string setting;
    for (int index = 0; index < kOscPortOffset; ++index) {
      const ParameterDescriptor& d = kQuorvellaParameters[index];
      float value =
          d.minimum + (d.maximum - d.minimum) * static_cast<float>(next() % 1001) / 1000.0f;
      if (next() % 4 == 0) {
        value = kHostileValues[next() % (sizeof kHostileValues / sizeof kHostileValues[0])];
        setting += std::string(" ") + d.name + "=" + std::to_string(value);
      }
      pair.set(index, value);
    }
    ASSERT_TRUE(pair.render(in)) << "trial " << trial << ":" << setting;
  }
}

}  // namespace
