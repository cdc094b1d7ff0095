// The two-channel lock-step path against the per-kernel path: same samples, same kernel
// state, same meters and filtered copies, for any parameters, signals, block sizes, sample
// rates and buffer arrangements; and no heap allocation while processing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dsp/CQuorvellaKernel.h"
#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "support/AllocationCount.h"
#include "tests/dsp/SignalHarness.h"

namespace {

using Kernel = CQuorvellaKernel;
// Every loop: AVX-512 where the processor has it, AVX2, SSE2.
const LaneSteps kEverySteps[] = {LaneSteps::best, LaneSteps::avx2, LaneSteps::sse2};

bool sameFloat(float a, float b) {
  if (std::isnan(a) && std::isnan(b)) return true;  // payloads may differ
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Two effects fed alike: one may pair its kernels, the other always runs them one by one.
struct Twin {
  std::unique_ptr<SignalHarness> paired{new SignalHarness()};
  std::unique_ptr<SignalHarness> reference{new SignalHarness()};
  uint32_t lastPiece = 0;

  // steps: the lock-step loop to hold against the per-kernel path (where the processor lacks
  // what it needs, the next narrower one runs); each must give the per-kernel result.
  Twin(float sampleRate, int32_t blockSize, LaneSteps steps = LaneSteps::best) {
    reference->setKernelPairing(false);
    paired->setLaneSteps(steps);
    for (SignalHarness* e : {paired.get(), reference.get()}) {
      e->setSampleRate(sampleRate);
      e->setBlockSize(blockSize);
    }
  }
  void set(int index, float value) {
    paired->setPlainValue(index, value);
    reference->setPlainValue(index, value);
  }
  void setProgram(int p) {
    paired->setProgram(p);
    reference->setProgram(p);
  }

  // Runs one block through both; the paired effect may work in place. A null channel
  // pointer is passed on to both.
  ::testing::AssertionResult block(const float* left, const float* right, size_t frames,
                                   bool inPlace = false) {
    std::vector<float> inL(left ? left : nullptr, left ? left + frames : nullptr);
    std::vector<float> inR(right ? right : nullptr, right ? right + frames : nullptr);
    std::vector<float> refL(frames, 0.5f), refR(frames, 0.5f);
    std::vector<float> outL(frames, 0.5f), outR(frames, 0.5f);
    float* refIn[2] = {left ? inL.data() : nullptr, right ? inR.data() : nullptr};
    float* refOut[2] = {left ? refL.data() : nullptr, right ? refR.data() : nullptr};
    reference->processReplacing(refIn, refOut, static_cast<int32_t>(frames));

    std::vector<float> pairL(inL), pairR(inR);
    float* in[2] = {left ? pairL.data() : nullptr, right ? pairR.data() : nullptr};
    float* out[2] = {left ? outL.data() : nullptr, right ? outR.data() : nullptr};
    if (inPlace) {
      out[0] = in[0];
      out[1] = in[1];
    }
    paired->processReplacing(in, out, static_cast<int32_t>(frames));
    const int32_t size = paired->getScratchSize();
    if (frames > 0) lastPiece = frames % size ? frames % size : size;

    for (size_t i = 0; i < frames; ++i) {
      if (left && !sameFloat(out[0][i], refL[i]))
        return ::testing::AssertionFailure() << "left sample " << i << " of " << frames << ": "
                                             << out[0][i] << " vs " << refL[i];
      if (right && !sameFloat(out[1][i], refR[i]))
        return ::testing::AssertionFailure() << "right sample " << i << " of " << frames << ": "
                                             << out[1][i] << " vs " << refR[i];
    }
    return ::testing::AssertionSuccess();
  }

  // Kernel state, history, filtered copies and meters.
  ::testing::AssertionResult sameState() const {
    for (int c = 0; c < 2; ++c) {
      const auto& a = paired->kernel(c);
      const auto& b = reference->kernel(c);
      std::string where = "channel " + std::to_string(c) + ": ";
      if (a.getPeriod() != b.getPeriod() || a.getSamplesToAnalysis() != b.getSamplesToAnalysis() ||
          a.getWriteIndex() != b.getWriteIndex() || a.getSyncCount() != b.getSyncCount() ||
          a.getNoCrossing() != b.getNoCrossing())
        return ::testing::AssertionFailure() << where << "counters differ";
      if (!sameFloat(a.getEnv(), b.getEnv()) || !sameFloat(a.getEnvTarget(), b.getEnvTarget()) ||
          !sameFloat(a.getCycleLevel(), b.getCycleLevel()) ||
          !sameFloat(a.getOscPhase(), b.getOscPhase()))
        return ::testing::AssertionFailure() << where << "envelope or oscillator differs";
      for (int i = 0; i < Kernel::kHistorySize; ++i) {
        if (!sameFloat(a.getHistory()[i].raw, b.getHistory()[i].raw) ||
            !sameFloat(a.getHistory()[i].filtered, b.getHistory()[i].filtered))
          return ::testing::AssertionFailure() << where << "history slot " << i << " differs";
      }
      const float* fa = paired->getScratchBuffer() + c * paired->getScratchSize();
      const float* fb = reference->getScratchBuffer() + c * reference->getScratchSize();
      for (uint32_t i = 0; i < lastPiece; ++i)
        if (!sameFloat(fa[i], fb[i]))
          return ::testing::AssertionFailure() << where << "filtered copy " << i << " differs";
    }
    unsigned char ma[MeterValues::kBytes], mb[MeterValues::kBytes];
    paired->copyMeterValues(ma);
    reference->copyMeterValues(mb);
    for (int i = 0; i < MeterValues::kBytes; i += 4) {
      float va, vb;
      std::memcpy(&va, ma + i, 4);
      std::memcpy(&vb, mb + i, 4);
      if (!sameFloat(va, vb)) return ::testing::AssertionFailure() << "meter bytes " << i << " differ";
    }
    return ::testing::AssertionSuccess();
  }

  int analysisOffset() const {
    return static_cast<int>(paired->kernel(0).getSamplesToAnalysis()) -
           static_cast<int>(paired->kernel(1).getSamplesToAnalysis());
  }
};

// Two different, pitched, level-changing signals with silences, so that the channels
// measure different periods and analyse at different samples.
StereoBuffer stereoMaterial(size_t frames, double sampleRate, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> hz(45.0, 900.0);
  StereoBuffer b(frames);
  double phaseL = 0.0, phaseR = 0.0, fL = hz(rng), fR = hz(rng);
  uint32_t noise = seed;
  for (size_t i = 0; i < frames; ++i) {
    if (i % 3000 == 0) {
      fL = hz(rng);
      fR = hz(rng);
    }
    noise = noise * 1664525u + 1013904223u;
    const double n = static_cast<int32_t>(noise) / 2147483648.0;
    phaseL = std::fmod(phaseL + fL / sampleRate, 1.0);
    phaseR = std::fmod(phaseR + fR / sampleRate, 1.0);
    const double decay = std::exp(-3.0 * (i % 5000) / 5000.0);
    const bool silentL = (i / 7000) % 4 == 3, silentR = (i / 9000) % 5 == 4;
    b.left[i] = silentL ? 0.0f : static_cast<float>(0.7 * decay * (2.0 * phaseL - 1.0) + 0.02 * n);
    b.right[i] = silentR ? 0.0f
                         : static_cast<float>(0.5 * std::sin(2.0 * M_PI * phaseR) *
                                              (0.6 + 0.4 * std::sin(i * 0.001)) + 0.3 * decay * n);
  }
  return b;
}

// A parameter value: usually inside the descriptor's range, sometimes at its ends, and with
// probability `wild` outside it (negative, huge or tiny values included).
float randomValue(std::mt19937& rng, int index, double wild) {
  const ParameterDescriptor& d = kQuorvellaParameters[index];
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double span = d.maximum - d.minimum;
  const double r = unit(rng);
  if (r < wild) {
    const float specials[] = {0.0f, -0.0f, -1e-7f, -1.0f, 1e30f, -1e30f, 1e-30f, 5000.0f};
    if (unit(rng) < 0.4) return specials[rng() % 8];
    return static_cast<float>(unit(rng) < 0.5 ? d.minimum - span * 3.0 * unit(rng)
                                              : d.maximum + span * 3.0 * unit(rng));
  }
  if (r < wild + 0.1) return unit(rng) < 0.5 ? d.minimum : d.maximum;
  // Whole octaves give exact ratios, whose replay phase lands exactly on the period.
  if (index == kPitchOffset && unit(rng) < 0.4) return static_cast<float>(12 * (static_cast<int>(rng() % 5) - 2));
  if (d.unit == kUnitIndexed || d.unit == kUnitBoolean)
    return static_cast<float>(std::floor(d.minimum + (span + 1.0) * unit(rng)));
  return static_cast<float>(d.minimum + span * unit(rng));
}

size_t randomBlock(std::mt19937& rng) {
  const size_t sizes[] = {0, 1, 2, 3, 7, 31, 64, 127, 255, 256, 500, 511, 512, 513, 1023, 1024, 1500, 2049, 4096};
  if (rng() % 3 == 0) return rng() % 3000;
  return sizes[rng() % (sizeof sizes / sizeof sizes[0])];
}

// Runs `frames` of material through the twin in random blocks, changing a parameter now and
// then, and compares every block and the final state.
void runRandomSession(Twin& twin, const StereoBuffer& in, std::mt19937& rng, double wild,
                      bool automate, bool* sawOffset = nullptr) {
  size_t position = 0;
  while (position < in.left.size()) {
    size_t n = std::min(randomBlock(rng), in.left.size() - position);
    const bool inPlace = rng() % 4 == 0;
    ASSERT_TRUE(twin.block(in.left.data() + position, in.right.data() + position, n, inPlace))
        << "at frame " << position;
    position += n;
    if (sawOffset && twin.analysisOffset() != 0) *sawOffset = true;
    if (automate && rng() % 5 == 0) {
      int index = static_cast<int>(rng() % kNumQuorvellaParameters);
      twin.set(index, randomValue(rng, index, wild));
    }
    if (automate && rng() % 40 == 0) {
      // A new rate changes the look-ahead under running kernels: 1 Hz gives none at all,
      // 192 kHz the most there is.
      const float rates[] = {1.0f, 8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
      const float rate = rates[rng() % 7];
      twin.paired->setSampleRate(rate);
      twin.reference->setSampleRate(rate);
    }
  }
  ASSERT_TRUE(twin.sameState());
}

TEST(KernelPair, RandomParameterSetsMatchThePerKernelPath) {
  const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f};
  const int32_t scratchSizes[] = {64, 300, 512, 1024, 2048};
  const double wildness[] = {0.0, 0.0, 0.05, 0.2};
  bool sawOffset = false;
  for (uint32_t seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const float rate = rates[seed % 4];
    Twin twin(rate, scratchSizes[rng() % 5], kEverySteps[seed % 3]);
    const double wild = wildness[rng() % 4];
    for (int i = 0; i < kNumQuorvellaParameters; ++i) twin.set(i, randomValue(rng, i, wild));
    StereoBuffer in = stereoMaterial(24000, rate, seed);
    runRandomSession(twin, in, rng, wild, true, &sawOffset);
    if (HasFatalFailure()) return;
  }
  EXPECT_TRUE(sawOffset) << "the channels never analysed at different samples";
}

TEST(KernelPair, FactoryProgramsMatchAtEverySampleRate) {
  const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f};
  for (int p = 0; p < kNumFactoryPrograms; ++p) {
    for (int r = 0; r < 4; ++r) {
      const float rate = rates[r];
      const LaneSteps steps = kEverySteps[(p + r) % 3];
      SCOPED_TRACE(std::string(kFactoryPrograms[p].name) + " at " + std::to_string(rate) +
                   ", steps " + std::to_string(static_cast<int>(steps)));
      std::mt19937 rng(static_cast<uint32_t>(p * 100 + rate));
      Twin twin(rate, 512, steps);
      twin.setProgram(p);
      StereoBuffer in = stereoMaterial(30000, rate, static_cast<uint32_t>(p + 7));
      runRandomSession(twin, in, rng, 0.0, false);
      if (HasFatalFailure()) return;
      // A program change carries every kernel state into the next program.
      twin.setProgram((p + 4) % kNumFactoryPrograms);
      runRandomSession(twin, stereoMaterial(10000, rate, static_cast<uint32_t>(p + 70)), rng, 0.0, false);
      if (HasFatalFailure()) return;
    }
  }
}

// Host arrangements the lock-step order cannot reproduce (an output that is the other
// channel's input, partly overlapping outputs, an output one sample ahead of its own input),
// the same output for both channels, and
// missing channels: each gives what the per-kernel path gives with the same arrangement.
TEST(KernelPair, AliasedAndMissingBuffersGiveThePerKernelResult) {
  Twin twin(44100.0f, 512);
  twin.set(kPitchOffset, 7.0f);
  twin.set(kOscLevel, 0.5f);
  twin.set(kFilterType, 1.5f);
  StereoBuffer in = stereoMaterial(6000, 44100.0, 3);
  const size_t n = 500;
  for (int arrangement = 0; arrangement < 7; ++arrangement) {
    SCOPED_TRACE("arrangement " + std::to_string(arrangement));
    for (size_t start = 0; start + n <= in.left.size(); start += n) {
      // One shared buffer of 2n + 1 frames per effect, holding both inputs.
      auto fill = [&](std::vector<float>& b) {
        b.assign(2 * n + 1, 0.0f);
        std::copy(in.left.begin() + start, in.left.begin() + start + n, b.begin());
        std::copy(in.right.begin() + start, in.right.begin() + start + n, b.begin() + n);
      };
      std::vector<float> bufA, bufB, outA(2 * n + 1), outB(2 * n + 1);
      fill(bufA);
      fill(bufB);
      auto arrange = [&](std::vector<float>& buf, std::vector<float>& out, float** ins, float** outs) {
        ins[0] = buf.data();
        ins[1] = buf.data() + n;
        switch (arrangement) {
          case 0: outs[0] = buf.data() + n; outs[1] = buf.data(); break;      // swapped in place
          case 1: outs[0] = out.data(); outs[1] = out.data() + 1; break;      // overlapping
          case 2: outs[0] = out.data(); outs[1] = out.data(); break;          // one output
          case 3: ins[1] = buf.data(); outs[0] = outs[1] = buf.data(); break; // mono in place
          case 4: ins[1] = nullptr; outs[0] = out.data(); outs[1] = out.data() + n; break;
          case 6: outs[0] = buf.data() + 1; ins[1] = out.data() + n; outs[1] = out.data(); break; // shifted
          default: outs[0] = nullptr; outs[1] = out.data() + n; break;
        }
      };
      float* insA[2];
      float* outsA[2];
      float* insB[2];
      float* outsB[2];
      arrange(bufA, outA, insA, outsA);
      arrange(bufB, outB, insB, outsB);
      twin.paired->processReplacing(insA, outsA, static_cast<int32_t>(n));
      twin.reference->processReplacing(insB, outsB, static_cast<int32_t>(n));
      for (size_t i = 0; i < bufA.size(); ++i) {
        ASSERT_TRUE(sameFloat(bufA[i], bufB[i])) << "buffer " << i;
        ASSERT_TRUE(sameFloat(outA[i], outB[i])) << "output " << i;
      }
    }
    twin.lastPiece = 0;
    ASSERT_TRUE(twin.sameState());
  }
}

// After blocks that skipped one channel, the two kernels' histories run at different write
// positions; the lock-step path keeps each channel's own positions.
TEST(KernelPair, ChannelsAtDifferentWritePositions) {
  Twin twin(48000.0f, 256);
  twin.set(kPitchOffset, 12.0f);
  twin.set(kWetRingModLevel, 0.7f);
  twin.set(kSyncCycles, 2.0f);
  StereoBuffer in = stereoMaterial(20000, 48000.0, 11);
  ASSERT_TRUE(twin.block(nullptr, in.right.data(), 333));
  ASSERT_TRUE(twin.block(in.left.data(), nullptr, 1000));
  EXPECT_NE(twin.paired->kernel(0).getWriteIndex(),
            twin.paired->kernel(1).getWriteIndex());
  std::mt19937 rng(5);
  runRandomSession(twin, in, rng, 0.0, false);
}

// Infinite and NaN input, a ratio so high that the replay position leaves the 32-bit range,
// negative ratios, and an oscillator phase that lands exactly on the pulse width go through
// both paths alike.
TEST(KernelPair, ExtremeAndExactValues) {
  for (int variant = 0; variant < 4; ++variant) {
    SCOPED_TRACE("variant " + std::to_string(variant));
    Twin twin(44100.0f, 512);
    StereoBuffer in = stereoMaterial(20000, 44100.0, 21);
    if (variant == 0) {
      for (size_t i = 5000; i < 5100; ++i) in.left[i] = std::numeric_limits<float>::quiet_NaN();
      for (size_t i = 9000; i < 9010; ++i) in.right[i] = std::numeric_limits<float>::infinity();
      twin.set(kOscLevel, 1.0f);
    } else if (variant == 1) {
      twin.set(kPitchOffset, 600.0f);  // a ratio of 2^50: the position runs far past 2^31
      twin.set(kOscLevel, 0.3f);
    } else if (variant == 3) {
      // Periods of 128 and 64 samples, restarted at every cycle: phase steps of 1/128 and 1/64
      // reach 0.5 exactly.
      for (size_t i = 0; i < in.left.size(); ++i) {
        in.left[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * i / 128.0));
        in.right[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * i / 64.0 + 1.0));
      }
      twin.set(kSquare, 1.0f);
      twin.set(kOscLevel, 1.0f);
      twin.set(kSyncCycles, 1.0f);
    } else {
      twin.set(kPitchOffset, -20.0f);
      twin.set(kPitchEnvDepth, -400.0f);  // negative ratios: the position runs backwards
      twin.set(kEnvAttack, -0.0001f);     // an infinite attack factor
    }
    std::mt19937 rng(variant + 1);
    runRandomSession(twin, in, rng, 0.0, false);
    if (HasFatalFailure()) return;
  }
}

// The envelope factor belongs to a channel's run, not to the lock-step sub-run. Here channel
// 0's envelope starts a run below a new target, reaches it exactly a few samples
// later, and the release factor is infinite (a negative release time from a script): choosing
// the factor again where channel 1 analyses would turn the envelope into NaN (0 * inf) before
// the kernel's own next run does.
TEST(KernelPair, EnvelopeFactorIsChosenOncePerChannelRun) {
  Twin twin(44100.0f, 4096);
  twin.set(kEnvPreGain, 48.0f);
  twin.set(kEnvAttack, 0.01f);
  twin.set(kOscLevel, 1.0f);
  twin.set(kWetLevel, 0.0f);
  StereoBuffer in(12000);
  for (size_t i = 0; i < in.left.size(); ++i) {
    in.left[i] = i < 1500 ? 0.0f : static_cast<float>(0.5 * std::sin(2.0 * M_PI * 100.0 * i / 44100.0));
    in.right[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 163.0 * i / 44100.0));
  }
  const auto& left = twin.paired->kernel(0);
  size_t position = 0;
  while (position < 6000 && !(left.getEnvTarget() > left.getEnv())) {
    ASSERT_TRUE(twin.block(in.left.data() + position, in.right.data() + position, 1));
    ++position;
  }
  ASSERT_GT(left.getEnvTarget(), 0.5f);
  twin.set(kEnvRelease, -1e-7f);
  ASSERT_TRUE(twin.block(in.left.data() + position, in.right.data() + position, 4096));
  ASSERT_TRUE(twin.sameState());
}

// The cycle analysis' scan, four values at a time, against the rule sample by sample: over
// windows that wrap, with zeros of both signs, NaNs, repeated peaks and crossings anywhere.
TEST(KernelPair, ZeroCrossingScanFollowsTheSampleRule) {
  auto reference = [](const Kernel::Slot* h, int32_t start, int32_t count) {
    Kernel::ZeroCrossing r{0, 0.0f};
    float previous = 1000000.0f;
    for (int32_t i = 0; i < count; ++i) {
      float v = h[(start + i) & Kernel::kHistoryMask].filtered;
      if (v > r.peak) r.peak = v;
      if (v > 0.0f && previous <= 0.0f) {
        r.offset = static_cast<uint32_t>(i);
        break;
      }
      previous = v;
    }
    return r;
  };
  std::mt19937 rng(77);
  std::vector<Kernel::Slot> history(Kernel::kHistorySize + Kernel::kHistoryPadding);
  const float specials[] = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(), 0.25f, -0.25f,
                            std::numeric_limits<float>::infinity()};
  for (int trial = 0; trial < 4000; ++trial) {
    const int mode = trial % 4;
    for (auto& slot : history) {
      float v;
      if (mode == 0) v = std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng);
      else if (mode == 1) v = std::uniform_real_distribution<float>(-1.0f, 0.05f)(rng);  // rare crossings
      else if (mode == 2) v = specials[rng() % 6];
      else v = -std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);  // none at all
      slot.raw = static_cast<float>(rng() % 7);
      slot.filtered = v;
    }
    const int32_t start = static_cast<int32_t>(rng() % Kernel::kHistorySize);
    const int32_t count = static_cast<int32_t>(rng() % 1024);
    Kernel::ZeroCrossing expected = reference(history.data(), start, count);
    for (LaneSteps steps : kEverySteps) {
      Kernel::ZeroCrossing got = Kernel::scanZeroCrossing(history.data(), start, count, steps);
      const int loop = static_cast<int>(steps);
      ASSERT_EQ(got.offset, expected.offset) << "trial " << trial << ", loop " << loop;
      ASSERT_TRUE(std::memcmp(&got.peak, &expected.peak, sizeof(float)) == 0)
          << "trial " << trial << ", loop " << loop;
    }
  }
}

TEST(KernelPair, ProcessReplacingAllocatesNothing) {
  SignalHarness effect;
  effect.setSampleRate(44100.0f);
  effect.setBlockSize(512);
  effect.setProgram(5);
  StereoBuffer in = stereoMaterial(20000, 44100.0, 4);
  StereoBuffer out(in.left.size());
  const size_t sizes[] = {512, 0, 1, 700, 3000, 64};
  testsupport::AllocationCount counting;
  size_t position = 0;
  for (int i = 0; position + 3000 <= in.left.size(); ++i) {
    const size_t n = sizes[i % 6];
    float* ins[2] = {in.left.data() + position, in.right.data() + position};
    float* outs[2] = {out.left.data() + position, out.right.data() + position};
    if (i % 5 == 4) outs[1] = nullptr;  // the per-kernel path too
    effect.processReplacing(ins, outs, static_cast<int32_t>(n));
    position += n;
  }
  EXPECT_EQ(counting.stop(), 0);
  // The counter does count: a vector allocates.
  testsupport::AllocationCount probing;
  std::vector<int> probe(10);
  EXPECT_GT(probing.stop(), 0);
}

}  // namespace
