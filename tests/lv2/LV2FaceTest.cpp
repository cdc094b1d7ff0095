// The LV2 plug-in binary (build/quorvella.lv2/quorvella.so) as an LV2 host drives it,
// through lilv, held against what the VST face (build/quorvella.so) answers for the same
// product: the same samples for every factory program at both rates, the scripts' MIDI
// mapping through the atom port, the look-ahead on the latency port, and the port model
// (a port's value applied when it changes, so that what scripts set stands).
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "demo/DemoBassLine.h"
#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "faces/lv2/LV2InstanceLink.h"
#include "faces/lv2/LV2Ports.h"
#include "framework/HvcAuBase.h"
#include "lv2/LV2Instance.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

using namespace lv2face;
using namespace lv2test;

namespace {

constexpr uint32_t kBlock = 512;

struct Stereo {
  std::vector<float> left, right;
};

// The demo's bass line, the right channel a softer copy a little later, so that the two
// kernels see different input.
Stereo demoLine() {
  std::vector<float> line = demo::DemoBassLine().render();
  Stereo s{line, std::vector<float>(line.size(), 0.0f)};
  for (size_t i = 37; i < line.size(); ++i) s.right[i] = 0.6f * line[i - 37];
  return s;
}

// Three seconds of an exponential sine sweep from 40 Hz to 4 kHz at 44.1 kHz, sine left,
// cosine right: every pitch the tracker follows passes by.
Stereo sweep() {
  const size_t frames = 3 * 44100;
  Stereo s{std::vector<float>(frames), std::vector<float>(frames)};
  const double f0 = 40.0, f1 = 4000.0, seconds = 3.0, k = std::log(f1 / f0);
  for (size_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / 44100.0;
    double phase = 2.0 * M_PI * f0 * seconds / k * (std::exp(t / seconds * k) - 1.0);
    s.left[i] = static_cast<float>(0.4 * std::sin(phase));
    s.right[i] = static_cast<float>(0.4 * std::cos(phase));
  }
  return s;
}

// The same input through the VST face, as a host drives it: rate, block size, program,
// resume, blocks of `block` frames.
Stereo renderVst(const vsthost::PluginLibrary& library, double rate, int32_t program,
                 const Stereo& in, uint32_t block) {
  vsthost::HostedEffect effect(library);
  EXPECT_TRUE(effect.valid()) << effect.error();
  effect.open();
  effect.setSampleRate(static_cast<float>(rate));
  effect.setBlockSize(static_cast<int32_t>(block));
  effect.setProgram(program);
  effect.resume();
  Stereo out{std::vector<float>(in.left.size()), std::vector<float>(in.left.size())};
  for (size_t at = 0; at < in.left.size(); at += block) {
    const int32_t n = static_cast<int32_t>(std::min<size_t>(block, in.left.size() - at));
    float* inputs[2] = {const_cast<float*>(&in.left[at]), const_cast<float*>(&in.right[at])};
    float* outputs[2] = {&out.left[at], &out.right[at]};
    effect.processReplacing(inputs, outputs, n);
  }
  effect.suspend();
  effect.close();
  return out;
}

Stereo renderLv2(const BundleWorld& bundle, LV2Instance::Setup setup, int32_t program,
                 const Stereo& in, uint32_t piece) {
  LV2Instance lv2(bundle, setup);
  EXPECT_TRUE(lv2.valid());
  Stereo out;
  if (!lv2.valid()) return out;
  EXPECT_TRUE(lv2.restorePreset(program));
  lv2.activate();
  lv2.render(in.left, in.right, piece, out.left, out.right);
  lv2.deactivate();
  return out;
}

// The first differing sample, or -1; bit for bit (NaNs of equal bits count as equal).
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
  return -1;
}

bool audible(const std::vector<float>& samples) {
  for (float s : samples)
    if (std::fabs(s) > 1e-3f) return true;
  return false;
}

class LV2Face : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error = library.open(QUORVELLA_PLUGIN_PATH);
    ASSERT_EQ(error, "");
  }

  // A fresh instance at rate, run once with silence so that its ports are applied.
  std::unique_ptr<LV2Instance> started(double rate = 44100.0) {
    LV2Instance::Setup setup;
    setup.sampleRate = rate;
    auto instance = std::make_unique<LV2Instance>(bundle, setup);
    if (instance->valid()) {
      instance->activate();
      runSilence(*instance);
    }
    return instance;
  }

  void runSilence(LV2Instance& instance, uint32_t frames = kBlock) {
    std::vector<float> in(frames, 0.0f), outL(frames), outR(frames);
    instance.run(in.data(), in.data(), outL.data(), outR.data(), frames);
  }

  BundleWorld bundle{QUORVELLA_LV2_BUNDLE_DIR};
  vsthost::PluginLibrary library;
};

TEST_F(LV2Face, EveryPresetRendersTheVstFacesSamplesBitForBitAtBothRates) {
  const Stereo signals[] = {demoLine(), sweep()};
  const char* signalNames[] = {"demo line", "sweep"};
  for (double rate : {44100.0, 48000.0}) {
    for (int32_t program = 0; program < kNumFactoryPrograms; ++program) {
      for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(std::string(kFactoryPrograms[program].name) + ", " + signalNames[s] +
                     ", " + std::to_string(static_cast<int>(rate)) + " Hz");
        Stereo vst = renderVst(library, rate, program, signals[s], kBlock);
        LV2Instance::Setup setup;
        setup.sampleRate = rate;
        setup.blockLength = kBlock;
        Stereo lv2 = renderLv2(bundle, setup, program, signals[s], kBlock);
        ASSERT_TRUE(audible(vst.left) && audible(vst.right));
        EXPECT_EQ(firstDifference(vst.left, lv2.left), -1);
        EXPECT_EQ(firstDifference(vst.right, lv2.right), -1);
      }
    }
  }
}

// A host that runs more frames than the block length it named, or names none, or processes
// in place: the product still sees the VST face's blocks and the same samples come out.
TEST_F(LV2Face, LongRunsInPlaceRunsAndUnnamedBlockLengthsGiveTheSameSamples) {
  const Stereo in = sweep();
  const int32_t program = 3;
  const Stereo vst = renderVst(library, 44100.0, program, in, 256);

  LV2Instance::Setup named;
  named.blockLength = 256;
  Stereo longRuns = renderLv2(bundle, named, program, in, 1024);
  EXPECT_EQ(firstDifference(vst.left, longRuns.left), -1);
  EXPECT_EQ(firstDifference(vst.right, longRuns.right), -1);

  LV2Instance::Setup unnamed;
  unnamed.blockLength = 0;  // the plug-in's own default, longer than any run here
  Stereo plain = renderLv2(bundle, unnamed, program, in, 256);
  EXPECT_EQ(firstDifference(vst.left, plain.left), -1);

  // In place: each output buffer is also the other channel's input, the hardest sharing.
  LV2Instance inPlace(bundle, named);
  ASSERT_TRUE(inPlace.valid());
  ASSERT_TRUE(inPlace.restorePreset(program));
  inPlace.activate();
  Stereo out = in;
  for (size_t at = 0; at < in.left.size(); at += 256) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(256, in.left.size() - at));
    // a holds in_l and becomes out_r; b holds in_r and becomes out_l.
    std::vector<float> a(in.left.begin() + at, in.left.begin() + at + n);
    std::vector<float> b(in.right.begin() + at, in.right.begin() + at + n);
    inPlace.run(a.data(), b.data(), b.data(), a.data(), n);
    std::copy(b.begin(), b.end(), out.left.begin() + at);
    std::copy(a.begin(), a.end(), out.right.begin() + at);
  }
  EXPECT_EQ(firstDifference(vst.left, out.left), -1);
  EXPECT_EQ(firstDifference(vst.right, out.right), -1);
}

TEST_F(LV2Face, TheLatencyPortReportsTheLookAheadAtEachRate) {
  for (auto [rate, frames] : {std::pair<double, float>{44100.0, 881.0f}, {48000.0, 959.0f}}) {
    SCOPED_TRACE(rate);
    auto lv2 = started(rate);
    ASSERT_TRUE(lv2->valid());
    EXPECT_EQ(lv2->control(kPortLatency), frames);
    EXPECT_EQ(lv2->product().getLatency(), static_cast<int32_t>(frames));
    // The VST face reports the same delay for the same rate.
    vsthost::HostedEffect vst(library);
    vst.open();
    vst.setSampleRate(static_cast<float>(rate));
    EXPECT_EQ(vst.record()->initialDelay, static_cast<int32_t>(frames));
  }
}

TEST_F(LV2Face, MetersFollowTheInputOnTheirPorts) {
  auto lv2 = started();
  ASSERT_TRUE(lv2->valid());
  const Stereo in = demoLine();
  std::vector<float> outL(kBlock), outR(kBlock);
  for (size_t at = 0; at + kBlock <= 44100; at += kBlock)
    lv2->run(&in.left[at], &in.right[at], outL.data(), outR.data(), kBlock);
  float meters[10];
  lv2->product().copyMeterValues(meters);
  for (uint32_t m = 0; m < 6; ++m) {
    SCOPED_TRACE(kPortSymbols[kPortPitchLeft + m]);
    EXPECT_EQ(lv2->control(kPortPitchLeft + m), meters[2 + m]);
  }
  // A bass line around 100 Hz: both channels measured a pitch and a level.
  EXPECT_GT(lv2->control(kPortPitchLeft), 20.0f);
  EXPECT_GT(lv2->control(kPortPitchRight), 20.0f);
  EXPECT_GT(lv2->control(kPortLevelLeft), 0.0f);
}

// Controllers through the atom port reach the built-in script, which sets the parameters
// it maps them to (controller 11: Lowpass Cutoff, 29: Filter Cutoff, 31: Filter Type); the
// values stand while the host leaves those ports alone, and give way when it moves one.
TEST_F(LV2Face, MidiControllersThroughTheAtomPortSetTheirParametersUntilTheHostMovesThePort) {
  auto lv2 = started();
  ASSERT_TRUE(lv2->valid());
  HvcAuBase& product = lv2->product();
  const ParameterDescriptor& lowpass = kQuorvellaParameters[kLowpassCutoff];
  const ParameterDescriptor& cutoff = kQuorvellaParameters[kFilterCutoff];
  ASSERT_NE(product.getPlainValue(kLowpassCutoff), lowpass.maximum);

  lv2->queueEvent(0, {0xB0, 11, 127});
  lv2->queueEvent(100, {0xB3, 29, 0});      // any channel
  lv2->queueEvent(511, {0xB0, 31, 127});
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kLowpassCutoff), lowpass.maximum);
  EXPECT_EQ(product.getPlainValue(kFilterCutoff), cutoff.minimum);
  EXPECT_EQ(product.getPlainValue(kFilterType), kQuorvellaParameters[kFilterType].maximum);

  // The host's ports still hold their old values: the scripts' values stand.
  for (int i = 0; i < 3; ++i) runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kLowpassCutoff), lowpass.maximum);

  // The host moves one port: that parameter takes the port's value, the others stay.
  lv2->control(parameterPort(kLowpassCutoff)) = 567.0f;
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kLowpassCutoff), 567.0f);
  EXPECT_EQ(product.getPlainValue(kFilterCutoff), cutoff.minimum);

  // Without the MIDI port connected (hosts and tools without MIDI), nothing is read.
  lv2->connectMIDI(false);
  lv2->queueEvent(0, {0xB0, 11, 0});
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kLowpassCutoff), 567.0f);
}

// What the port model promises: integer ports rounded half up as the VST face rounds, values
// outside the range held at its ends, a NaN ignored, and a value applied once per change.
TEST_F(LV2Face, PortValuesAreRoundedHeldInRangeAndAppliedOncePerChange) {
  auto lv2 = started();
  ASSERT_TRUE(lv2->valid());
  HvcAuBase& product = lv2->product();
  ASSERT_EQ(kQuorvellaParameters[kSyncCycles].unit, kUnitIndexed);

  lv2->control(parameterPort(kSyncCycles)) = 1.5f;
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kSyncCycles), 2.0f);
  lv2->control(parameterPort(kSyncCycles)) = 1.49f;
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kSyncCycles), 1.0f);
  // The VST face's mapping gives the same whole values for the same positions.
  EXPECT_EQ(product.toPlain(kSyncCycles, product.toNormalised(kSyncCycles, 1.5f)), 2.0f);
  EXPECT_EQ(product.toPlain(kSyncCycles, product.toNormalised(kSyncCycles, 1.49f)), 1.0f);

  lv2->control(parameterPort(kLowpassCutoff)) = 1e9f;
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kLowpassCutoff), kQuorvellaParameters[kLowpassCutoff].maximum);
  lv2->control(parameterPort(kDryLevel)) = -1e9f;
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kDryLevel), kQuorvellaParameters[kDryLevel].minimum);

  product.setPlainValue(kDryLevel, 0.25f);  // as a script or OSC would
  lv2->control(parameterPort(kDryLevel)) = NAN;
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kDryLevel), 0.25f);
  // The value the host held before the NaN, again: not a change since it was applied.
  lv2->control(parameterPort(kDryLevel)) = -1e9f;
  runSilence(*lv2);
  EXPECT_EQ(product.getPlainValue(kDryLevel), 0.25f);
  EXPECT_EQ(lv2->link().appliedPortValue(parameterPort(kDryLevel)), -1e9f);
  EXPECT_TRUE(std::isnan(lv2->link().appliedPortValue(kPortLatency)));
}

// Hosts that get things wrong: no features at all, nothing connected, blocks of odd
// lengths, malformed sequences. The plug-in runs on and its output stays finite.
TEST_F(LV2Face, BadHostInputGetsSafeAnswers) {
  LV2Instance::Setup bare;
  bare.uridMap = false;
  LV2Instance noFeatures(bundle, bare);
  ASSERT_TRUE(noFeatures.valid());  // urid:map only serves MIDI
  noFeatures.activate();
  noFeatures.run(nullptr, nullptr, nullptr, nullptr, 700);  // no audio connected
  EXPECT_EQ(noFeatures.control(kPortLatency), 881.0f);

  auto lv2 = started();
  ASSERT_TRUE(lv2->valid());
  const Stereo in = sweep();
  std::vector<float> outL(5000), outR(5000);
  size_t at = 0;
  for (uint32_t frames : {0u, 1u, 3u, 511u, 513u, 4096u + 7u}) {
    lv2->run(&in.left[at], &in.right[at], outL.data(), outR.data(), frames);
    at += frames;
  }
  for (size_t i = 0; i < outL.size(); ++i) ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i]));

  // Events of other types, sizes and times; a sequence whose last event runs past its end.
  const LV2_URID other = lv2->uridMap().urid("urn:quorvella:test#unknown");
  lv2->queueEvent(0, {0xB0, 11, 0}, other);
  lv2->queueEvent(-5, {0xB0, 11, 20});
  lv2->queueEvent(1 << 30, {0xB0, 12, 127});
  lv2->queueEvent(3, std::vector<uint8_t>(40, 0xF0));
  lv2->queueEvent(4, {0x40, 0x40});
  lv2->queueEvent(5, {});
  lv2->queueEvent(6, {0xB0, 11, 127});
  LV2_Atom_Sequence* s = lv2->sequence();
  auto* last = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&s->body) +
                                                 s->atom.size - sizeof(LV2_Atom_Event) - 8);
  last->body.size = 1000;  // claims more than the sequence holds
  runSilence(*lv2);
  // The two well-formed controllers, clamped into the block, were read; 11 = 127 was not.
  const ParameterDescriptor& lowpass = kQuorvellaParameters[kLowpassCutoff];
  EXPECT_EQ(lv2->product().getPlainValue(kHighpassCutoff),
            kQuorvellaParameters[kHighpassCutoff].maximum);
  EXPECT_LT(lv2->product().getPlainValue(kLowpassCutoff), lowpass.maximum);
  EXPECT_GT(lv2->product().getPlainValue(kLowpassCutoff), lowpass.minimum);

  // A sequence of the wrong type is not read at all.
  lv2->queueEvent(0, {0xB0, 11, 127});
  lv2->sequence()->atom.type = other;
  runSilence(*lv2);
  EXPECT_LT(lv2->product().getPlainValue(kLowpassCutoff), lowpass.maximum);
}

}  // namespace
