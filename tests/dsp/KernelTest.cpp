#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <algorithm>
#include <cmath>
#include <memory>

#include <sys/resource.h>

#include "dsp/CQuorvellaKernel.h"
#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "tests/dsp/SignalHarness.h"

namespace {

using Kernel = CQuorvellaKernel;

struct Rig {
  std::unique_ptr<SignalHarness> effect{new SignalHarness()};
  const Kernel& kernel(int c) { return effect->kernel(c); }
  void set(int index, float value) { effect->setPlainValue(index, value); }
  StereoBuffer render(const StereoBuffer& in, size_t block = 512) {
    return renderBlocks(*effect, in, block);
  }
};

struct KernelFixture : ::testing::Test, Rig {};

void expectDelayed(const StereoBuffer& in, const StereoBuffer& out, size_t delay) {
  for (size_t i = 0; i < in.left.size(); ++i) {
    float expectedL = i >= delay ? in.left[i - delay] : 0.0f;
    float expectedR = i >= delay ? in.right[i - delay] : 0.0f;
    ASSERT_EQ(out.left[i], expectedL) << "left sample " << i;
    ASSERT_EQ(out.right[i], expectedR) << "right sample " << i;
  }
}

TEST_F(KernelFixture, DefaultProgramDelaysTheInputExactly) {
  StereoBuffer in = noise(20000);
  expectDelayed(in, render(in, 512), 881);
}

TEST_F(KernelFixture, DelayHoldsForAnyBlockSizeAndSampleRate) {
  effect->setSampleRate(48000.0f);
  StereoBuffer in = noise(12000, 99);
  expectDelayed(in, render(in, 37), 959);
}

TEST_F(KernelFixture, BlocksLongerThanTheScratchBufferArePiecedWithoutChangingTheResult) {
  StereoBuffer in = sine(20000, 110.0, 44100.0);
  set(kPitchOffset, 7.0f);
  set(kOscLevel, 0.8f);
  StereoBuffer reference = render(in, 4096);

  Rig other;
  other.effect->setBlockSize(64);  // scratch of 64 frames, host sends 4096
  other.set(kPitchOffset, 7.0f);
  other.set(kOscLevel, 0.8f);
  StereoBuffer pieced = other.render(in, 4096);
  // Envelope attack/release choices are renewed at piece ends, so allow float noise only.
  for (size_t i = 0; i < in.left.size(); ++i) ASSERT_NEAR(pieced.left[i], reference.left[i], 1e-4f) << i;
}

TEST_F(KernelFixture, DryLevelAloneIsThePureDelay) {
  set(kWetLevel, 0.0f);
  set(kDryLevel, 1.0f);
  set(kFilterType, 2.0f);  // the dry path never passes the filter
  StereoBuffer in = noise(8000, 7);
  expectDelayed(in, render(in, 256), 881);
}

TEST_F(KernelFixture, OscillatorAloneIsTheWaveformOverPreGain) {
  set(kWetLevel, 0.0f);
  set(kOscLevel, 1.0f);
  set(kOscEnvFollow, 0.0f);
  set(kOscPitch, 69.0f);
  StereoBuffer out = render(StereoBuffer(4000), 512);
  const BlockSettings& s = effect->getBlockSettings();
  EXPECT_NEAR(s.oscGain, 0.2512f, 1e-4f);
  float phase = 0.0f;
  const float inc = 440.0f / 44100.0f;
  ASSERT_EQ(s.fixedIncrement, inc);
  for (size_t i = 0; i < out.left.size(); ++i) {
    phase += inc;
    if (phase >= 1.0f) phase -= 1.0f;
    ASSERT_EQ(out.left[i], s.oscGain * (2.0f * phase - 1.0f)) << i;
  }
}

TEST_F(KernelFixture, SineOf441HzMeasuresPeriod100) {
  render(sine(44100, 441.0, 44100.0), 512);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(kernel(c).getPeriod(), 100u);
    EXPECT_FALSE(kernel(c).getNoCrossing());
    EXPECT_NEAR(effect->getMeters().pitch(c), 441.0f, 0.01f);
    EXPECT_NEAR(kernel(c).getCycleLevel(), std::min(0.5f * 3.981f, 1.0f), 0.05f);
  }
  // In silence (once the input filters' tail has died away) the period is kept and no
  // pitch is reported.
  render(StereoBuffer(22050), 512);
  uint32_t kept = kernel(0).getPeriod();
  render(StereoBuffer(22050), 512);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(kernel(c).getPeriod(), kept);
    EXPECT_TRUE(kernel(c).getNoCrossing());
    EXPECT_LT(kernel(c).getEnvTarget(), 1e-6f);
    EXPECT_TRUE(effect->getMeters().noPitch(c));
  }
}

TEST_F(KernelFixture, FirstBlockSeesNoCrossingAndKeepsTheInitialPeriod) {
  render(StereoBuffer(100), 100);
  EXPECT_EQ(kernel(0).getPeriod(), 1023u);
  EXPECT_TRUE(kernel(0).getNoCrossing());
  EXPECT_EQ(kernel(0).getSamplesToAnalysis(), 1023u - 100u);
}

TEST_F(KernelFixture, LowNotesBeyondTheLookAheadAreNeverMeasured) {
  // 40 Hz: 1102 samples per cycle, more than the 880 the look-ahead can hold.
  StereoBuffer in = sine(88200, 40.0, 44100.0);
  int misses = 0;
  for (size_t start = 0; start + 64 <= in.left.size(); start += 64) {
    StereoBuffer block(64);
    std::copy(in.left.begin() + start, in.left.begin() + start + 64, block.left.begin());
    render(block, 64);
    misses += kernel(0).getNoCrossing() ? 1 : 0;
    uint32_t period = kernel(0).getPeriod();
    ASSERT_TRUE(period <= 880u || period == 1023u) << period;  // 1023: nothing measured yet
  }
  EXPECT_GT(misses, 0);
}

TEST_F(KernelFixture, SyncCyclesRestartsTheOscillatorAtAnalyses) {
  set(kOscPitch, 69.0f);
  set(kSyncCycles, 1.0f);
  render(sine(4410, 441.0, 44100.0), 441);
  // A block of exactly samplesToAnalysis frames ends with an analysis after its last sample.
  uint32_t toGo = kernel(0).getSamplesToAnalysis();
  ASSERT_GT(toGo, 0u);
  render(sine(toGo, 441.0, 44100.0), toGo);
  EXPECT_EQ(kernel(0).getOscPhase(), 0.0f);
  EXPECT_EQ(kernel(0).getSyncCount(), 0);
  EXPECT_EQ(kernel(0).getSamplesToAnalysis(), 100u);

  set(kSyncCycles, 3.0f);
  render(sine(100, 441.0, 44100.0), 100);
  EXPECT_EQ(kernel(0).getSyncCount(), 1);
  EXPECT_NE(kernel(0).getOscPhase(), 0.0f);

  set(kSyncCycles, 0.0f);
  render(sine(1000, 441.0, 44100.0), 100);
  EXPECT_EQ(kernel(0).getSyncCount(), 0);
}

TEST_F(KernelFixture, FixedPitchOscillatorIgnoresTheInput) {
  set(kWetLevel, 0.0f);
  set(kOscLevel, 1.0f);
  set(kOscEnvFollow, 0.0f);
  set(kOscPitch, 69.0f);
  StereoBuffer a = render(sine(8000, 220.0, 44100.0));
  Rig other;
  other.set(kWetLevel, 0.0f);
  other.set(kOscLevel, 1.0f);
  other.set(kOscEnvFollow, 0.0f);
  other.set(kOscPitch, 69.0f);
  StereoBuffer b = other.render(noise(8000));
  EXPECT_EQ(a.left, b.left);
}

TEST_F(KernelFixture, TriggerLevelOneSilencesEveryEnvelopeModulation) {
  auto configure = [](Rig& f, float depth) {
    f.set(kTriggerLevel, 1.0f);
    f.set(kPitchEnvDepth, depth);
    f.set(kPwmEnvDepth, depth);
    f.set(kOscLevel, 1.0f);
    f.set(kSquare, 1.0f);
    f.set(kFilterType, 1.0f);
  };
  configure(*this, 0.0f);
  StereoBuffer plain = render(sine(20000, 300.0, 44100.0, 0.9));
  Rig other;
  configure(other, 48.0f);
  StereoBuffer modulated = other.render(sine(20000, 300.0, 44100.0, 0.9));
  EXPECT_EQ(plain.left, modulated.left);
  EXPECT_GT(kernel(0).getEnv(), 0.9f);  // the envelope itself still follows
}

TEST_F(KernelFixture, EnvGateOneClosesUnlessCyclesClip) {
  set(kEnvRelease, 10.0f);
  render(sine(20000, 300.0, 44100.0, 0.5), 512);
  EXPECT_GT(kernel(0).getEnv(), 0.9f);  // 0.5 * 3.98 clips at 1
  set(kEnvGate, 1.0f);
  render(sine(20000, 300.0, 44100.0, 0.1), 512);  // level 0.4: gated
  EXPECT_EQ(kernel(0).getEnvTarget(), 0.0f);
  EXPECT_LT(kernel(0).getEnv(), 1e-6f);
}

TEST_F(KernelFixture, ZeroFrameBlockChangesOnlyTheInputFilterPass) {
  render(sine(3000, 300.0, 44100.0), 512);
  uint32_t toGo = kernel(0).getSamplesToAnalysis();
  float env = kernel(0).getEnv(), osc = kernel(0).getOscPhase();
  int32_t write = kernel(0).getWriteIndex();
  float in = 0.0f, out = 0.0f;
  float* ins[2] = {&in, &in};
  float* outs[2] = {&out, &out};
  effect->processReplacing(ins, outs, 0);
  EXPECT_EQ(kernel(0).getSamplesToAnalysis(), toGo);
  EXPECT_EQ(kernel(0).getEnv(), env);
  EXPECT_EQ(kernel(0).getOscPhase(), osc);
  EXPECT_EQ(kernel(0).getWriteIndex(), write);
}

TEST_F(KernelFixture, NullBuffersAreIgnored) {
  effect->processReplacing(nullptr, nullptr, 512);
  float* none[2] = {nullptr, nullptr};
  effect->processReplacing(none, none, 512);
  EXPECT_EQ(kernel(0).getWriteIndex(), 0);
}

TEST_F(KernelFixture, InPlaceProcessingMatchesSeparateBuffers) {
  StereoBuffer in = sine(5000, 150.0, 44100.0);
  set(kPitchOffset, 12.0f);
  StereoBuffer separate = render(in);
  Rig other;
  other.set(kPitchOffset, 12.0f);
  StereoBuffer inPlace = in;
  for (size_t start = 0; start < in.left.size(); start += 512) {
    size_t n = std::min<size_t>(512, in.left.size() - start);
    float* io[2] = {inPlace.left.data() + start, inPlace.right.data() + start};
    other.effect->processReplacing(io, io, static_cast<int32_t>(n));
  }
  EXPECT_EQ(inPlace.left, separate.left);
}

// A bass line of saw notes, then silence, through every factory program: the output stays
// finite and never lingers in subnormal numbers.
TEST(FactoryProgramsRender, EveryProgramStaysFiniteAndNormal) {
  const double sr = 44100.0;
  StereoBuffer in(static_cast<size_t>(sr * 4));
  const double notes[] = {55.0, 82.41, 65.41, 73.42, 110.0, 61.74};
  for (size_t i = 0; i < size_t(sr * 3); ++i) {
    double hz = notes[(i / 11025) % 6];
    double t = std::fmod(i * hz / sr, 1.0);
    double amp = 0.6 * std::exp(-3.0 * std::fmod(i / sr, 0.25));
    in.left[i] = in.right[i] = static_cast<float>(amp * (2.0 * t - 1.0));
  }
  for (int p = 0; p < kNumFactoryPrograms; ++p) {
    SignalHarness effect;
    effect.setProgram(p);
    StereoBuffer out = renderBlocks(effect, in, 512);
    for (size_t i = 0; i < out.left.size(); ++i) {
      for (float v : {out.left[i], out.right[i]}) {
        ASSERT_TRUE(std::isfinite(v)) << kFactoryPrograms[p].name << " sample " << i;
        ASSERT_FALSE(v != 0.0f && std::fabs(v) < FLT_MIN) << kFactoryPrograms[p].name << " sample " << i;
      }
    }
  }
}

}  // namespace

namespace {

TEST_F(KernelFixture, MetersSmoothWithThirtyMillisecondsAtTheCurrentRate) {
  render(sine(8820, 441.0, 44100.0), 441);
  float before = effect->getMeters().level(0);
  // A block of 0 frames does not move the meters.
  float none = 0.0f;
  float* io[2] = {&none, &none};
  effect->processReplacing(io, io, 0);
  EXPECT_EQ(effect->getMeters().level(0), before);

  // After a rate change the next block's smoothing uses the new rate.
  effect->setSampleRate(22050.0f);
  StereoBuffer block = sine(441, 441.0, 44100.0);
  float levelBefore = effect->getMeters().level(0);
  render(block, 441);
  double e = std::exp(-441.0 / (0.03 * 22050.0));
  float expected = static_cast<float>(kernel(0).getCycleLevel() + e * (levelBefore - kernel(0).getCycleLevel()));
  EXPECT_FLOAT_EQ(effect->getMeters().level(0), expected);
  unsigned char bytes[40];
  effect->copyMeterValues(bytes);
  float pitch[2];
  std::memcpy(pitch, bytes + 8, sizeof(pitch));
  EXPECT_EQ(pitch[0], effect->getMeters().pitch(0));
}

}  // namespace

namespace {

// A single non-finite sample from the host must not silence a channel for good.
TEST_F(KernelFixture, ChannelRecoversFromNonFiniteInput) {
  render(sine(4096, 220.0, 44100.0), 512);
  StereoBuffer bad = sine(512, 220.0, 44100.0);
  bad.left[100] = NAN;
  bad.right[200] = INFINITY;
  render(bad, 512);
  StereoBuffer after = render(sine(8192, 220.0, 44100.0), 512);
  for (size_t i = 0; i < after.left.size(); ++i) {
    ASSERT_TRUE(std::isfinite(after.left[i])) << i;
    ASSERT_TRUE(std::isfinite(after.right[i])) << i;
  }
  EXPECT_GT(std::fabs(after.left[8000]), 0.0f);  // and it plays again
}

// Envelope times of 0 or below (scripts and OSC store values unchecked) give an instant
// envelope instead of one that runs away to infinity.
TEST_F(KernelFixture, NonPositiveEnvelopeTimesAreInstant) {
  set(kEnvAttack, -5.0f);
  set(kEnvRelease, -1e-7f);
  set(kOscLevel, 1.0f);
  StereoBuffer out = render(sine(8192, 220.0, 44100.0), 512);
  for (float v : out.left) ASSERT_TRUE(std::isfinite(v));
  EXPECT_EQ(effect->getBlockSettings().envAttackCoef, 0.0f);
  EXPECT_EQ(effect->getBlockSettings().envReleaseCoef, 0.0f);
  EXPECT_EQ(kernel(0).getEnv(), kernel(0).getEnvTarget());
}

}  // namespace

namespace {

// Sanitizers reserve address space of their own, so the limit below cannot be set there.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST_F(KernelFixture, ABlockSizeBeyondMemoryKeepsTheScratchBuffer) {
  effect->setBlockSize(256);
  // Linux commits memory lazily, so make the 16 GiB of scratch truly unavailable.
  rlimit saved{};
  getrlimit(RLIMIT_AS, &saved);
  rlimit limited = saved;
  limited.rlim_cur = 4ull << 30;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
  effect->setBlockSize(0x7fffffff);
  setrlimit(RLIMIT_AS, &saved);
  EXPECT_EQ(effect->getScratchSize(), 256);
  StereoBuffer in = noise(3000, 5);
  expectDelayed(in, render(in, 1000), 881);
}
#endif

}  // namespace
