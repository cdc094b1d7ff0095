// What the signal path does to a signal, measured from the samples: envelope times, pulse
// width, channel independence and meter order, and the factory programs' exact outputs.
// Each check runs through both processing paths (lock-step and per kernel), so that a fault
// made the same way in both is still caught.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dsp/CQuorvellaKernel.h"
#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "tests/dsp/SignalHarness.h"

namespace {

constexpr double kRate = 44100.0;

std::unique_ptr<SignalHarness> makeEffect(bool paired, int32_t blockSize = 512) {
  std::unique_ptr<SignalHarness> effect(new SignalHarness());
  effect->setKernelPairing(paired);
  effect->setSampleRate(static_cast<float>(kRate));
  effect->setBlockSize(blockSize);
  return effect;
}

const char* pathName(bool paired) {
  return paired ? "lock-step path" : "per-kernel path";
}

struct Setting {
  int index;
  float value;
};

std::unique_ptr<SignalHarness> makeEffect(bool paired, std::initializer_list<Setting> settings) {
  auto effect = makeEffect(paired);
  for (const Setting& s : settings) effect->setPlainValue(s.index, s.value);
  return effect;
}

StereoBuffer mono(const std::vector<float>& samples) {
  StereoBuffer b(samples.size());
  b.left = b.right = samples;
  return b;
}

// A sine of whole-sample period with the given amplitude between two sample positions,
// silence elsewhere.
std::vector<float> toneBurst(size_t frames, double period, double amplitude, size_t from,
                             size_t to) {
  std::vector<float> v(frames, 0.0f);
  for (size_t i = from; i < to && i < frames; ++i)
    v[i] = static_cast<float>(amplitude *
                              std::sin(2.0 * M_PI * static_cast<double>(i - from) / period));
  return v;
}

// --- Envelope times -----------------------------------------------------------------------

// Samples the output takes, from `from` on, to first satisfy the predicate; -1 if never.
template <typename Predicate>
long firstIndex(const std::vector<float>& v, size_t from, Predicate p) {
  for (size_t i = from; i < v.size(); ++i)
    if (p(v[i])) return static_cast<long>(i);
  return -1;
}

// With only a constant +1 oscillator (a square whose duty is the whole cycle) at 0 dB
// pre-gain, following the envelope fully, every output sample is the envelope itself. A
// tone burst then shows the rise with the attack time and the fall with the release time:
// between any two points of an exponential approach, the remaining distance shrinks by e per
// time constant.
TEST(SignalBehaviour, EnvelopeRisesWithTheAttackAndFallsWithTheRelease) {
  const size_t frames = static_cast<size_t>(kRate * 2.0);
  const size_t toneStart = 8820, toneEnd = 8820 + 22050;  // 0.5 s of 441 Hz
  const StereoBuffer in = mono(toneBurst(frames, 100.0, 0.8, toneStart, toneEnd));
  for (bool paired : {true, false}) {
    SCOPED_TRACE(pathName(paired));
    auto effect = makeEffect(paired, {{kWetLevel, 0.0f},
                                      {kOscLevel, 1.0f},
                                      {kSaw, 0.0f},
                                      {kSquare, 1.0f},
                                      {kPulseWidth, 100.0f},
                                      {kEnvPreGain, 0.0f},
                                      {kEnvAttack, 10.0f},
                                      {kEnvRelease, 300.0f}});
    const std::vector<float> env = renderBlocks(*effect, in, 512).left;
    const float plateau = env[toneEnd - 100];
    ASSERT_GT(plateau, 0.2f);
    ASSERT_LE(plateau, 1.0f);

    const long riseFrom = firstIndex(env, 0, [&](float v) { return v > 0.1f * plateau; });
    const long riseTo =
        firstIndex(env, 0, [&](float v) { return v > plateau * (1.0f - 0.9f / std::exp(1.0f)); });
    ASSERT_GT(riseFrom, 0);
    ASSERT_GT(riseTo, riseFrom);
    EXPECT_NEAR((riseTo - riseFrom) / kRate * 1000.0, 10.0, 2.5) << "attack time constant in ms";

    const long fallFrom = firstIndex(env, toneEnd, [&](float v) { return v < 0.9f * plateau; });
    const long fallTo =
        firstIndex(env, toneEnd, [&](float v) { return v < 0.9f * plateau / std::exp(1.0f); });
    ASSERT_GT(fallFrom, 0);
    ASSERT_GT(fallTo, fallFrom);
    EXPECT_NEAR((fallTo - fallFrom) / kRate * 1000.0, 300.0, 45.0) << "release time constant in ms";
  }
}

// --- Pulse width --------------------------------------------------------------------------

// Fraction of the samples from `from` on that are positive.
double duty(const std::vector<float>& v, size_t from) {
  size_t high = 0;
  for (size_t i = from; i < v.size(); ++i) high += v[i] > 0.0f ? 1 : 0;
  return static_cast<double>(high) / static_cast<double>(v.size() - from);
}

// The square alone at a fixed 440 Hz, not following the envelope: its duty cycle is "Pulse
// Width" while the envelope is 0, and grows by "PWM Env Depth" at full envelope (a loud
// input at 48 dB pre-gain holds the envelope at 1).
TEST(SignalBehaviour, PulseWidthFollowsWidthAndEnvelopeDepth) {
  const size_t frames = 44100;
  const StereoBuffer silent(frames);
  const StereoBuffer loud = mono(toneBurst(frames, 100.0, 0.5, 0, frames));
  struct Case {
    float width, depth;
    const StereoBuffer* input;
    double expected;
  } cases[] = {{50.0f, 0.0f, &silent, 0.5},  {20.0f, 0.0f, &silent, 0.2},
               {20.0f, 30.0f, &silent, 0.2}, {20.0f, 30.0f, &loud, 0.5},
               {10.0f, 5.0f, &loud, 0.15},   {75.0f, -50.0f, &loud, 0.25}};
  for (bool paired : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(pathName(paired)) + ", width " + std::to_string(c.width) +
                   ", depth " + std::to_string(c.depth) +
                   (c.input == &loud ? ", loud" : ", silent"));
      auto effect = makeEffect(paired, {{kWetLevel, 0.0f},
                                        {kOscLevel, 1.0f},
                                        {kSaw, 0.0f},
                                        {kSquare, 1.0f},
                                        {kOscEnvFollow, 0.0f},
                                        {kOscPitch, 69.0f},
                                        {kEnvPreGain, 48.0f},
                                        {kPulseWidth, c.width},
                                        {kPwmEnvDepth, c.depth}});
      const StereoBuffer out = renderBlocks(*effect, *c.input, 512);
      // From 0.1 s on the envelope has settled; 440 Hz cycles of 100.2 samples.
      EXPECT_NEAR(duty(out.left, 4410), c.expected, 0.01);
      EXPECT_NEAR(duty(out.right, 4410), c.expected, 0.01);
    }
  }
}

// --- Channels -----------------------------------------------------------------------------

// Each channel's output depends on its own input only, and the meters report the left
// channel first: pitch, level and envelope, then the no-pitch flags.
TEST(SignalBehaviour, ChannelsAreIndependentAndMetersInOrder) {
  const size_t frames = 44100;
  const std::vector<float> high = toneBurst(frames, 100.0, 0.6, 0, frames);  // 441 Hz, loud
  const std::vector<float> low = toneBurst(frames, 200.0, 0.05, 0, frames);  // 220.5 Hz, quiet
  StereoBuffer both(frames);
  both.left = high;
  both.right = low;
  for (bool paired : {true, false}) {
    SCOPED_TRACE(pathName(paired));
    const std::initializer_list<Setting> program = {{kPitchOffset, 7.0f},  {kOscLevel, 0.5f},
                                                    {kFilterType, 1.3f},   {kFilterEnvDepth, 3.0f},
                                                    {kPwmEnvDepth, 40.0f}, {kSquare, 0.7f}};
    auto stereo = makeEffect(paired, program);
    auto leftOnly = makeEffect(paired, program);
    auto rightOnly = makeEffect(paired, program);
    const StereoBuffer out = renderBlocks(*stereo, both, 512);
    EXPECT_TRUE(out.left == renderBlocks(*leftOnly, mono(high), 512).left);
    EXPECT_TRUE(out.right == renderBlocks(*rightOnly, mono(low), 512).right);
    EXPECT_FALSE(out.left == out.right);

    float m[10];
    stereo->copyMeterValues(m);
    EXPECT_NEAR(m[2], 441.0f, 1.0f);  // left pitch
    EXPECT_NEAR(m[3], 220.5f, 1.0f);  // right pitch
    EXPECT_GT(m[4], 4.0f * m[5]);     // left level above right
    EXPECT_GT(m[6], 4.0f * m[7]);     // left envelope above right
    unsigned char flags[2];
    std::memcpy(flags, reinterpret_cast<unsigned char*>(m) + 32, 2);
    EXPECT_EQ(flags[0], 0);
    EXPECT_EQ(flags[1], 0);

    // The right channel falls silent: only its flag reports no pitch.
    StereoBuffer rightSilent(frames);
    rightSilent.left = high;
    renderBlocks(*stereo, rightSilent, 512);
    stereo->copyMeterValues(m);
    std::memcpy(flags, reinterpret_cast<unsigned char*>(m) + 32, 2);
    EXPECT_EQ(flags[0], 0);
    EXPECT_EQ(flags[1], 1);
  }
}

// --- Factory program checksums ------------------------------------------------------------

// Stereo material made only of integer and float operations (no libm), so that it is the
// same on every machine: decaying saw notes of whole-sample periods with a little noise on
// the left, a slower pulse-like pattern on the right, and gaps of silence on both.
StereoBuffer checksumMaterial(size_t frames) {
  StereoBuffer b(frames);
  const uint32_t periodsL[] = {401, 267, 150, 89, 535, 120};
  const uint32_t periodsR[] = {300, 211, 98, 640, 175};
  uint32_t noise = 2463534242u;
  float decayL = 1.0f, decayR = 1.0f;
  for (size_t i = 0; i < frames; ++i) {
    const size_t noteL = i / 6000, noteR = i / 7700;
    if (i % 6000 == 0) decayL = 0.8f;
    if (i % 7700 == 0) decayR = 0.6f;
    decayL *= 0.99985f;
    decayR *= 0.9999f;
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    const float n = static_cast<float>(static_cast<int32_t>(noise)) * (1.0f / 2147483648.0f);
    const uint32_t pL = periodsL[noteL % 6], pR = periodsR[noteR % 5];
    const float saw = 2.0f * static_cast<float>(i % pL) / static_cast<float>(pL) - 1.0f;
    const float pulse = (i % pR) < pR / 3 ? 1.0f : -0.5f;
    b.left[i] = noteL % 4 == 3 ? 0.0f : decayL * saw + 0.01f * n;
    b.right[i] = noteR % 5 == 4 ? 0.0f : decayR * pulse;
  }
  return b;
}

// FNV-1a over the bit patterns of both channels' samples.
uint64_t checksum(const StereoBuffer& b) {
  uint64_t hash = 1469598103934665603ull;
  auto add = [&hash](float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int byte = 0; byte < 4; ++byte) {
      hash ^= (bits >> (8 * byte)) & 0xffu;
      hash *= 1099511628211ull;
    }
  };
  for (size_t i = 0; i < b.left.size(); ++i) {
    add(b.left[i]);
    add(b.right[i]);
  }
  return hash;
}

// Renders the material in blocks of changing length, as hosts do.
StereoBuffer renderVarying(SignalHarness& effect, const StereoBuffer& in) {
  StereoBuffer out(in.left.size());
  const size_t sizes[] = {512, 64, 511, 1, 300, 512, 128};
  size_t start = 0;
  for (int i = 0; start < in.left.size(); ++i) {
    const size_t n = std::min(sizes[i % 7], in.left.size() - start);
    float* ins[2] = {const_cast<float*>(in.left.data() + start),
                     const_cast<float*>(in.right.data() + start)};
    float* outs[2] = {out.left.data() + start, out.right.data() + start};
    effect.processReplacing(ins, outs, static_cast<int32_t>(n));
    start += n;
  }
  return out;
}

// Every factory program's output on the material above, 44.1 kHz, from a fresh instance.
// These pin the samples: any change to them must be a conscious one. When a change of the
// output is intended, run this test, check that the differences are the ones wanted, and
// replace the numbers with the "got" values that the failures print.
TEST(FactoryProgramChecksums, OutputsArePinned) {
  const uint64_t pinned[kNumFactoryPrograms] = {
      0x4e0289ef07c43271ull, 0x687947ee4160fec2ull, 0x38f14652e5362e56ull, 0xa36fa5feec945ccdull,
      0xddf8a0a7e963e3a9ull, 0x422da936688374ffull, 0xeb488e1ecf97c73eull, 0x43e77e2efb447ff0ull,
      0xd8e8a1d4750152dfull, 0xaff2bed5ccc6083aull, 0x955e32c7cba82c2aull,
  };
  const StereoBuffer in = checksumMaterial(100000);
  for (int p = 0; p < kNumFactoryPrograms; ++p) {
    for (bool paired : {true, false}) {
      auto effect = makeEffect(paired);
      effect->setProgram(p);
      const uint64_t got = checksum(renderVarying(*effect, in));
      char text[32];
      std::snprintf(text, sizeof text, "0x%016llxull", static_cast<unsigned long long>(got));
      EXPECT_EQ(got, pinned[p]) << kFactoryPrograms[p].name << " (" << pathName(paired) << "): got "
                                << text;
    }
  }
}

// Parameter sets drawn anywhere inside the descriptors' ranges, ends included, pinned the
// same way: guards against values outside the ranges must leave every in-range sample alone.
// Regenerate as above when a change of the output is intended.
TEST(FactoryProgramChecksums, InRangeParameterSetsArePinned) {
  const uint64_t pinned = 0x54055fa99ec99951ull;
  const StereoBuffer in = checksumMaterial(16000);
  uint32_t state = 12345u;
  auto unit = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) * (1.0f / 16777216.0f);
  };
  for (bool paired : {true, false}) {
    uint64_t combined = 0;
    state = 12345u;
    for (int set = 0; set < 40; ++set) {
      auto effect = makeEffect(paired);
      for (int i = 0; i < kNumQuorvellaParameters; ++i) {
        const ParameterDescriptor& d = kQuorvellaParameters[i];
        const float r = unit();
        float v = r < 0.1f   ? d.minimum
                  : r > 0.9f ? d.maximum
                             : d.minimum + (d.maximum - d.minimum) * unit();
        if (d.unit == kUnitIndexed || d.unit == kUnitBoolean) v = std::floor(v + 0.5f);
        if (i == kOscPortOffset) v = 0.0f;  // no server
        effect->setPlainValue(i, v);
      }
      combined = combined * 31u + checksum(renderVarying(*effect, in));
    }
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llxull", static_cast<unsigned long long>(combined));
    EXPECT_EQ(combined, pinned) << pathName(paired) << ": got " << text;
  }
}

}  // namespace
