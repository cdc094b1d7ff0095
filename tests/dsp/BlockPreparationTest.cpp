#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "dsp/BlockPreparation.h"
#include "dsp/QuorvellaParameters.h"

namespace {

using namespace BlockPreparation;

struct Prepared {
  float values[kNumQuorvellaParameters];
  BlockSettings settings{};
  Prepared() {
    for (int i = 0; i < kNumQuorvellaParameters; ++i) values[i] = kQuorvellaParameters[i].defaultValue;
  }
  Prepared& set(int index, float value) {
    values[index] = value;
    return *this;
  }
  const BlockSettings& run(double sampleRate = 44100.0, uint32_t frames = 512) {
    prepare(settings, values, sampleRate, frames);
    return settings;
  }
};

TEST(BlockPreparation, DefaultProgramGivesNeutralSettings) {
  Prepared p;
  const BlockSettings& s = p.run();
  EXPECT_EQ(s.pitchRatio, 1.0f);
  EXPECT_EQ(s.pitchRatioRange, 0.0f);
  EXPECT_TRUE(s.trackPitch);
  EXPECT_EQ(s.thruWeight, 1.0f);
  EXPECT_EQ(s.lowWeight, 0.0f);
  EXPECT_EQ(s.bandWeight, 0.0f);
  EXPECT_EQ(s.highWeight, 0.0f);
  EXPECT_EQ(s.wetGain, 1.0f);
  EXPECT_EQ(s.sawGain, 1.0f);
  EXPECT_EQ(s.dryGain, 0.0f);
  EXPECT_EQ(s.oscGain, 0.0f);
  EXPECT_EQ(s.dryRingGain, 0.0f);
  EXPECT_EQ(s.wetRingGain, 0.0f);
  EXPECT_EQ(s.triangleGain, 0.0f);
  EXPECT_EQ(s.squareGain, 0.0f);
  EXPECT_EQ(s.oscEnvFollow, 1.0f);
  EXPECT_NEAR(s.envPreGain, 3.981f, 0.001f);
  EXPECT_EQ(s.syncCycles, 0);
  EXPECT_FALSE(s.filteredDry);
  EXPECT_FALSE(s.filteredWet);
  // Input filters: damping 1.8 from Q 0.0001.
  EXPECT_NEAR(s.inputLowpassDamping, 1.8f, 1e-6f);
  EXPECT_NEAR(s.inputHighpassDamping, 1.8f, 1e-6f);
  EXPECT_NEAR(s.envAttackCoef, 0.97758f, 1e-5f);  // 1 ms at 44.1 kHz
}

TEST(BlockPreparation, FilterTypeMorphWeights) {
  struct Case {
    float t, thru, low, band, high;
  } cases[] = {{0, 1, 0, 0, 0},     {0.25f, 0.75f, 0.25f, 0, 0}, {1, 0, 1, 0, 0},
               {1.5f, 0, 0.5f, 0.5f, 0}, {2, 0, 0, 1, 0},  {2.75f, 0, 0, 0.25f, 0.75f},
               {3, 0, 0, 0, 1},     {3.5f, 0.5f, 0, 0, 0.5f},   {4, 1, 0, 0, 0}};
  for (const Case& c : cases) {
    Prepared p;
    const BlockSettings& s = p.set(kFilterType, c.t).run();
    EXPECT_FLOAT_EQ(s.thruWeight, c.thru) << c.t;
    EXPECT_FLOAT_EQ(s.lowWeight, c.low) << c.t;
    EXPECT_FLOAT_EQ(s.bandWeight, c.band) << c.t;
    EXPECT_FLOAT_EQ(s.highWeight, c.high) << c.t;
    EXPECT_FLOAT_EQ(s.thruWeight + s.lowWeight + s.bandWeight + s.highWeight, 1.0f);
  }
}

TEST(BlockPreparation, FastSineMatchesSineEverywhere) {
  double worst = 0.0;
  for (int i = 0; i < 100000; ++i) {
    double p = i / 100000.0;
    worst = std::max(worst, std::fabs(fastSine(p) - std::sin(2.0 * M_PI * p)));
  }
  EXPECT_LT(worst, 1e-7);
}

TEST(BlockPreparation, LfoShapes) {
  EXPECT_NEAR(lfoValue(0.25, 0.0), 1.0, 1e-7);   // sine
  EXPECT_NEAR(lfoValue(0.75, 0.99), -1.0, 1e-7);
  EXPECT_EQ(lfoValue(0.0, 1.0), -1.0);           // triangle
  EXPECT_EQ(lfoValue(0.5, 1.5), 1.0);
  EXPECT_EQ(lfoValue(0.25, 1.0), 0.0);
  EXPECT_EQ(lfoValue(0.0, 2.0), -1.0);           // saw up
  EXPECT_EQ(lfoValue(0.75, 2.9), 0.5);
  EXPECT_EQ(lfoValue(0.49, 3.0), -1.0);          // square
  EXPECT_EQ(lfoValue(0.5, 3.0), 1.0);
  EXPECT_EQ(lfoValue(0.0, 4.0), 1.0);            // saw down, also above the range
  EXPECT_EQ(lfoValue(0.75, 7.0), -0.5);
}

TEST(BlockPreparation, LookAheadIsTwentyMillisecondsLessOne) {
  EXPECT_EQ(lookAheadFor(44100.0), 881);
  EXPECT_EQ(lookAheadFor(48000.0), 959);
  EXPECT_EQ(lookAheadFor(22050.0), 440);
  EXPECT_EQ(lookAheadFor(51200.0), 1023);
  EXPECT_EQ(lookAheadFor(96000.0), 1023);
}

TEST(BlockPreparation, SvfCoefficientRule) {
  // 12 kHz at 44.1 kHz is past a quarter of the rate: held at pi/4.
  SvfCoefficients c = svfCoefficients(12000.0, 0.1, 44100.0);
  EXPECT_NEAR(c.f, std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(c.damping, 2.0 / c.f - c.f / 2.0, 1e-12);
  EXPECT_NEAR(c.damping, 0.7071, 1e-4);
  EXPECT_NEAR(svfCoefficients(1000.0, 0.01, 44100.0).damping, 1.3675, 1e-4);
  EXPECT_NEAR(svfCoefficients(1000.0, 0.1, 44100.0).damping, 0.8753, 1e-4);
  EXPECT_EQ(svfCoefficients(1000.0, 1.0, 44100.0).damping, 0.0);
  EXPECT_EQ(svfCoefficients(-50.0, 0.1, 44100.0).f, 0.0);  // negative cutoff is 0 Hz

  Prepared p;
  const BlockSettings& s = p.set(kFilterCutoff, 12000.0f).run();
  EXPECT_NEAR(s.filterF, 1.41421f, 1e-5f);
  EXPECT_NEAR(s.filterDamping, 0.70711f, 1e-5f);
  EXPECT_NEAR(s.filterFRange, 0.0f, 1e-6f);
}

TEST(BlockPreparation, FilterQAboveOneHoldsDampingAtZero) {
  Prepared p;
  EXPECT_EQ(p.set(kFilterQ, 5.0f).run().filterDamping, 0.0f);
}

TEST(BlockPreparation, FixedPitchModeAndTracking) {
  Prepared p;
  const BlockSettings& s = p.set(kOscPitch, 69.0f).run();
  EXPECT_FALSE(s.trackPitch);
  EXPECT_FLOAT_EQ(s.fixedIncrement, 440.0f / 44100.0f);
  EXPECT_EQ(s.fixedIncrementRange, 0.0f);
  // Back to tracking: the fixed increments keep their last values.
  p.set(kOscPitch, 0.0f).set(kPitchEnvDepth, 12.0f).run();
  EXPECT_TRUE(s.trackPitch);
  EXPECT_FLOAT_EQ(s.fixedIncrement, 440.0f / 44100.0f);
  EXPECT_FLOAT_EQ(s.pitchRatioRange, 1.0f);  // an octave at full envelope
  // Pitch offsets apply only while tracking.
  p.set(kPitchOffset, -12.0f).set(kPitchOffsetSweepable, 24.0f).set(kPitchEnvDepth, 0.0f).run();
  EXPECT_FLOAT_EQ(s.pitchRatio, 2.0f);
}

TEST(BlockPreparation, LfoPhasesAdvanceByWholeBlocks) {
  Prepared p;
  p.set(kPitchLfoSpeed, 5.0f).set(kFilterLfoSpeed, 0.2f).set(kPwmLfoSpeed, 20.0f);
  const BlockSettings& s = p.run(44100.0, 441);  // 10 ms
  EXPECT_NEAR(s.pitchLfoPhase, 0.05f, 1e-6f);
  EXPECT_NEAR(s.filterLfoPhase, 0.002f, 1e-6f);
  EXPECT_NEAR(s.pwmLfoPhase, 0.2f, 1e-6f);
  float before[3] = {s.pitchLfoPhase, s.filterLfoPhase, s.pwmLfoPhase};
  // A block of 0 frames leaves the phases but recomputes everything else.
  p.set(kWetLevel, 0.5f).run(44100.0, 0);
  EXPECT_EQ(s.pitchLfoPhase, before[0]);
  EXPECT_EQ(s.filterLfoPhase, before[1]);
  EXPECT_EQ(s.pwmLfoPhase, before[2]);
  EXPECT_FLOAT_EQ(s.wetGain, 0.125f);
  // Phases wrap into [0, 1).
  for (int i = 0; i < 10; ++i) p.run(44100.0, 44100);
  EXPECT_GE(s.pwmLfoPhase, 0.0f);
  EXPECT_LT(s.pwmLfoPhase, 1.0f);
}

TEST(BlockPreparation, PulseWidthModulationIsNotLimited) {
  Prepared p;
  p.set(kPulseWidth, 100.0f).set(kPwmLfoAmount, 100.0f).set(kPwmLfoShape, 3.0f);  // square LFO
  p.set(kPwmLfoSpeed, 1.0f);
  const BlockSettings& s = p.run(44100.0, 30870);  // phase 0.7: square LFO at +1
  EXPECT_FLOAT_EQ(s.pulseWidth, 2.0f);
  p.run(44100.0, 22050);  // phase 0.2: -1
  EXPECT_FLOAT_EQ(s.pulseWidth, 0.0f);
}

TEST(BlockPreparation, UnusableValuesFallBackSafely) {
  Prepared p;
  p.set(kPitchLfoSpeed, NAN).set(kFilterQ, INFINITY).set(kPitchOffset, 1e30f).set(kSyncCycles, 1e20f);
  const BlockSettings& s = p.run();
  EXPECT_TRUE(std::isfinite(s.pitchLfoPhase));
  EXPECT_TRUE(std::isfinite(s.filterDamping));
  EXPECT_TRUE(std::isfinite(s.pitchRatio));
  EXPECT_EQ(s.syncCycles, 2147483647);
}

// Values far outside the ranges give settings the kernels can run on: a negative Q damps
// fully, pre-gains stay finite both ways, and a negative trigger level (envelope term above
// 1) keeps the filter coefficient inside its stable sweep.
TEST(BlockPreparation, ValuesFarOutsideTheRangesGiveUsableSettings) {
  Prepared negativeQ;
  EXPECT_EQ(negativeQ.set(kFilterQ, -1.0f).run().filterDamping, 2.0f);
  for (float db : {1e4f, -1e4f, 3e38f, -3e38f}) {
    Prepared p;
    const BlockSettings& s = p.set(kEnvPreGain, db).set(kOscLevel, 1.0f).run();
    EXPECT_TRUE(std::isfinite(s.envPreGain) && s.envPreGain > 0.0f) << db;
    EXPECT_TRUE(std::isfinite(s.oscGain)) << db;
  }
  for (float trigger : {-1.0f, -5.0f, -1e30f}) {
    for (float depth : {16.0f, -16.0f}) {
      Prepared p;
      const BlockSettings& s = p.set(kTriggerLevel, trigger)
                                   .set(kFilterEnvDepth, depth)
                                   .set(kFilterCutoff, 3000.0f)
                                   .run();
      const float eMax = 1.0f - s.triggerLevel;
      ASSERT_GT(eMax, 1.0f);
      const float top = s.filterF + eMax * s.filterFRange;
      EXPECT_GE(top, -1e-6f) << trigger << " " << depth;
      EXPECT_LE(top, 1.41422f) << trigger << " " << depth;
      if (top > 0.0f) {
        EXPECT_LE(s.filterDamping, 2.0f / top - top / 2.0f + 1e-5f);
      }
    }
  }
  // Gains of faders far out stay finite, with the sign of the fader.
  Prepared faders;
  const BlockSettings& s = faders.set(kDryLevel, -1e30f).set(kSaw, 3e38f).run();
  EXPECT_TRUE(std::isfinite(s.dryGain) && s.dryGain < 0.0f);
  EXPECT_TRUE(std::isfinite(s.sawGain) && s.sawGain > 1.0f);
}

// A cutoff of -62.5 Hz puts the filter LFO's sweep at 0 Hz, where a huge LFO amount would
// multiply that 0 by an infinite factor: the filter stays closed instead.
TEST(BlockPreparation, HugeFilterLfoAmountAtTheBottomOfTheSweepKeepsTheFilterClosed) {
  for (float amount : {1e4f, 1e30f}) {
    Prepared p;
    const BlockSettings& s = p.set(kFilterCutoff, -62.5f)
                                 .set(kFilterLfoShape, 4.0f)  // saw down: +1 at phase 0
                                 .set(kFilterLfoAmount, amount)
                                 .run(44100.0, 0);
    EXPECT_EQ(s.filterF, 0.0f) << amount;
    EXPECT_TRUE(std::isfinite(s.filterFRange) && std::isfinite(s.filterDamping)) << amount;
  }
}

}  // namespace

// What a signal path remembers from block to block must never show in its settings: over
// blocks in which parameters (now and then several at once, and the sample rate) move and
// the LFOs run, every field equals that of a preparation that remembers nothing.
TEST(BlockPreparation, RememberedValuesGiveTheSettingsOfAFreshPreparation) {
  std::mt19937 rng(7);
  Memory memory;
  BlockSettings remembered{}, fresh{};
  Prepared p;
  p.set(kFilterLfoAmount, 1.0f).set(kPitchLfoAmount, 2.0f).set(kPwmLfoAmount, 10.0f);
  p.set(kOscPitch, 60.0f);  // fixed pitch: its increments are remembered too
  for (int block = 0; block < 600; ++block) {
    if (block % 4 == 0) {
      for (int changes = 1 + static_cast<int>(rng() % 3); changes > 0; --changes) {
        const int i = static_cast<int>(rng() % kNumQuorvellaParameters);
        const ParameterDescriptor& d = kQuorvellaParameters[i];
        p.set(i, std::uniform_real_distribution<float>(d.minimum, d.maximum)(rng));
      }
    }
    if (block == 300) p.set(kOscPitch, 0.0f);
    const double sampleRate = block < 450 ? 44100.0 : 96000.0;
    prepare(remembered, memory, p.values, sampleRate, 64);
    prepare(fresh, p.values, sampleRate, 64);
    ASSERT_EQ(std::memcmp(&remembered, &fresh, sizeof fresh), 0) << "block " << block;
  }
}
