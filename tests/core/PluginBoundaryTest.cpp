// The plug-in as a host sees it: loaded from quorvella.so through VSTPluginMain, driven
// only through the effect record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using vsthost::HostedEffect;
using vsthost::HostOptions;
using vsthost::PluginLibrary;

PluginLibrary& plugin() {
  static PluginLibrary library;
  if (!library.isOpen()) {
    std::string error = library.open(QUORVELLA_PLUGIN_PATH);
    EXPECT_EQ(error, "");
  }
  return library;
}

struct Boundary : ::testing::Test {
  std::unique_ptr<HostedEffect> fx{new HostedEffect(plugin())};
  void SetUp() override { ASSERT_TRUE(fx->valid()) << fx->error(); }
  intptr_t op(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
              float opt = 0.0f) {
    return fx->dispatch(opcode, index, value, ptr, opt);
  }
  std::string display(int32_t index, float normalised) {
    fx->setParameter(index, normalised);
    return fx->parameterDisplay(index);
  }
};

TEST_F(Boundary, RecordAfterConstruction) {
  const AEffect* e = fx->record();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numPrograms, 11);
  EXPECT_EQ(e->numParams, 40);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x19);  // editor, can mono, can replace; no chunks, no double replacing
  EXPECT_EQ(e->uniqueID, 0x48437762);
  EXPECT_EQ(e->version, 1);
  EXPECT_EQ(e->initialDelay, 881);  // the look-ahead at the default 44.1 kHz
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_NE(e->processReplacing, nullptr);
  for (char c : e->future) EXPECT_EQ(c, 0);
}

TEST(BoundaryEntry, HostAnsweringVersionZeroGetsNoEffect) {
  HostOptions options;
  options.versionAnswer = 0;
  HostedEffect fx(plugin(), options);
  EXPECT_FALSE(fx.valid());
  ASSERT_FALSE(fx.callbacks().empty());
  EXPECT_EQ(fx.callbacks()[0].opcode, audioMasterVersion);
}

TEST_F(Boundary, FixedAnswersOfTheDispatcher) {
  struct Case {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    intptr_t expected;
  } cases[] = {
      {effOpen, 0, 0, 0},           {effGetProgram, 0, 0, 0},
      {effGetVu, 0, 0, 0},          {effEditClose, 0, 0, 0},
      {effEditIdle, 0, 0, 0},       {effEditDraw, 0, 0, 0},
      {effEditTop, 0, 0, 0},        {effIdentify, 0, 0, 0x4E764566},
      {effGetChunk, 0, 0, 0},       {effSetChunk, 0, 0, 0},
      {effCanBeAutomated, 5, 0, 1}, {effString2Parameter, 0, 0, 0},
      {effGetNumProgramCategories, 0, 0, 1}, {effCopyProgram, 1, 0, 0},
      {effConnectInput, 0, 1, 1},   {effConnectOutput, 1, 1, 1},
      {effGetInputProperties, 0, 0, 0}, {effGetOutputProperties, 0, 0, 0},
      {effGetPlugCategory, 0, 0, 1}, {effGetCurrentPosition, 0, 0, 0},
      {effGetDestinationBuffer, 0, 0, 0}, {effOfflineNotify, 0, 0, 0},
      {effOfflinePrepare, 0, 0, 0}, {effOfflineRun, 0, 0, 0},
      {effProcessVarIo, 0, 0, 0},   {effSetSpeakerArrangement, 0, 0, 0},
      {effSetBypass, 0, 1, 0},      {effGetErrorText, 0, 0, 0},
      {effGetVendorVersion, 0, 0, 65536}, {effVendorSpecific, 0, 0, 0},
      {effGetTailSize, 0, 0, 0},    {effIdle, 0, 0, 0},
      {effGetIcon, 0, 0, 0},        {effSetViewPosition, 0, 0, 0},
      {effGetParameterProperties, 0, 0, 0}, {effKeysRequired, 0, 0, 1},
      {effGetVstVersion, 0, 0, 2400}, {effEditKeyDown, 65, 0, 0},
      {effEditKeyUp, 65, 0, 0},     {effSetEditKnobMode, 0, 2, 0},
      {effGetMidiProgramName, 0, 0, 0}, {effGetCurrentMidiProgram, 0, 0, -1},
      {effGetMidiProgramCategory, 0, 0, 0}, {effHasMidiProgramsChanged, 0, 0, 0},
      {effGetMidiKeyName, 0, 0, 0}, {effBeginSetProgram, 0, 0, 0},
      {effEndSetProgram, 0, 0, 0},  {effShellGetNextPlugin, 0, 0, 0},
      {effStartProcess, 0, 0, 0},   {effStopProcess, 0, 0, 0},
      {effSetTotalSampleToProcess, 0, 123456, 123456},
      {effSetPanLaw, 0, 0, 0},      {effBeginLoadBank, 0, 0, 0},
      {effBeginLoadProgram, 0, 0, 0}, {effSetProcessPrecision, 0, 1, 0},
      {effGetNumMidiInputChannels, 0, 0, 0}, {effGetNumMidiOutputChannels, 0, 0, 0},
      {80, 0, 0, 0},                {-3, 0, 0, 0},
  };
  for (const Case& c : cases) {
    char buffer[256] = {};
    EXPECT_EQ(op(c.opcode, c.index, c.value, buffer), c.expected) << "opcode " << c.opcode;
  }
  EXPECT_EQ(op(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
  EXPECT_EQ(op(effMainsChanged, 0, 1), 0);
  EXPECT_EQ(op(effProcessEvents, 0, 0, nullptr), 1);

  void* arrangements[2] = {&arrangements, &arrangements};
  EXPECT_EQ(op(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&arrangements[0]),
               &arrangements[1]), 0);
  EXPECT_EQ(arrangements[0], nullptr);
  EXPECT_EQ(arrangements[1], nullptr);
}

// Hosts size their window from the editor's rectangle before they open it.
TEST_F(Boundary, EditorSizeKnownBeforeTheFirstOpening) {
  ERect* rect = nullptr;
  ASSERT_EQ(op(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->right, 818);
  EXPECT_EQ(rect->bottom, 318);
  // No parent window: nothing opens, and the rectangle stays.
  EXPECT_EQ(op(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(op(effEditIdle, 0, 0, nullptr), 0);
  ASSERT_EQ(op(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, 818);
  EXPECT_EQ(rect->bottom, 318);
}

TEST_F(Boundary, NamesOfTheProduct) {
  EXPECT_EQ(fx->effectName(), "Quorvella");
  EXPECT_EQ(fx->vendorString(), "Halvercast");
  EXPECT_EQ(fx->productString(), "Quorvella");
  EXPECT_EQ(op(effGetEffectName, 0, 0, nullptr), 0);  // no buffer, nothing written
}

TEST_F(Boundary, CanDoAnswersOnlyTheExactMidiText) {
  char exact[] = "receiveVstMidiEvent";
  EXPECT_EQ(op(effCanDo, 0, 0, exact), 1);
  for (const char* other : {"receiveVstMidiEven", "receiveVstMidiEvents", "sendVstMidiEvent",
                            "receivevstmidievent", "", "bypass"}) {
    std::string text = other;
    EXPECT_EQ(op(effCanDo, 0, 0, &text[0]), 0) << other;
  }
}

TEST_F(Boundary, ResumeAsksForMidiTwice) {
  fx->clearCallbacks();
  fx->resume();
  int wants = 0;
  for (const auto& call : fx->callbacks()) {
    if (call.opcode == audioMasterWantMidi) {
      EXPECT_EQ(call.value, 1);
      ++wants;
    }
  }
  EXPECT_EQ(wants, 2);
  fx->clearCallbacks();
  fx->suspend();
  EXPECT_TRUE(fx->callbacks().empty());
}

intptr_t minimalHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(BoundaryEntry, CloseAnswersOneAndDestroysTheInstance) {
  // Driven by hand so that nothing touches the record after close; a leak checker run
  // (the sanitizer build) reports an instance that survived.
  AEffect* e = plugin().entry()(minimalHost);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_F(Boundary, ParameterNamesAreCutToFifteenCharacters) {
  EXPECT_EQ(fx->parameterName(0), "Dry Level");
  EXPECT_EQ(fx->parameterName(6), "Pitch Offset Sw");
  EXPECT_EQ(fx->parameterName(32), "Pitch LFO Amoun");
  EXPECT_EQ(fx->parameterName(39), "OSC Port Offset");
  EXPECT_EQ(fx->parameterName(40), "");
  EXPECT_EQ(fx->parameterName(-1), "");
}

TEST_F(Boundary, LabelsFollowTheUnits) {
  const char* expected[40] = {"", "", "", "", "", "", "", "Hz", "Hz", "", "", "", "dB", "ms",
                              "ms", "", "", "", "", "", "", "", "", "%", "%", "Hz", "", "",
                              "", "", "Hz", "", "cents", "", "Hz", "", "", "Hz", "%", ""};
  for (int i = 0; i < 40; ++i) EXPECT_EQ(fx->parameterLabel(i), expected[i]) << i;
}

TEST_F(Boundary, BothMappings) {
  fx->setParameter(7, 0.5f);  // Lowpass Cutoff, hertz 10..1000
  EXPECT_EQ(fx->parameterDisplay(7), "100.0");
  EXPECT_NEAR(fx->getParameter(7), 0.5f, 1e-6f);
  fx->setParameter(11, 0.5f);  // Sync Cycles, indexed 0..8
  EXPECT_EQ(fx->parameterDisplay(11), "4");
  fx->setParameter(11, 0.56f);
  EXPECT_EQ(fx->parameterDisplay(11), "4");
  fx->setParameter(11, 0.57f);
  EXPECT_EQ(fx->parameterDisplay(11), "5");
  EXPECT_EQ(fx->getParameter(11), 5.0f / 8.0f);
  fx->setParameter(5, 0.25f);  // Pitch Offset -36..36
  EXPECT_EQ(fx->parameterDisplay(5), "-18.000");
  // No clamping: values beyond 0..1 map beyond the range and back.
  fx->setParameter(0, 1.5f);
  EXPECT_EQ(fx->parameterDisplay(0), "1.500");
  EXPECT_FLOAT_EQ(fx->getParameter(0), 1.5f);
}

TEST_F(Boundary, DisplayRules) {
  // Precision by size: PWM Env Depth (0..200 %) reaches these values exactly.
  EXPECT_EQ(display(24, 0.049998f), "10.000");  // 9.9996 is below 10
  EXPECT_EQ(display(24, 0.05f), "10.00");
  EXPECT_EQ(display(24, 0.5f), "100.0");
  EXPECT_EQ(display(24, 0.25f), "50.00");
  EXPECT_EQ(display(9, 0.0f), "Off");   // boolean
  EXPECT_EQ(display(9, 0.25f), "On");
  EXPECT_EQ(display(11, 0.0f), "Off");  // Sync Cycles 0
  EXPECT_EQ(display(11, 1.0f), "8");
  EXPECT_EQ(display(39, 0.0f), "Off");  // OSC Port Offset
  EXPECT_EQ(display(39, 0.05f), "5");
  EXPECT_EQ(display(18, 0.0f), "Track");
  EXPECT_EQ(display(18, 69.0f / 127.0f), "69.00");
  EXPECT_EQ(display(27, 0.0f), "Thru");
  EXPECT_EQ(display(27, 0.25f), "Low");
  EXPECT_EQ(display(27, 0.5f), "Band");
  EXPECT_EQ(display(27, 0.75f), "High");
  EXPECT_EQ(display(27, 1.0f), "Thru");
  EXPECT_EQ(display(27, 0.375f), "1.500");
  EXPECT_EQ(display(27, 0.875f), "3.500");
  const char* shapes[] = {"Sine", "Tri", "SawUp", "Square", "SawDn"};
  for (int32_t index : {29, 33, 36})
    for (int s = 0; s < 5; ++s) EXPECT_EQ(display(index, s / 4.0f), shapes[s]);
  // Scripts and OSC can store values past the name list: shown as numbers, never read
  // beyond it.
  EXPECT_EQ(display(29, 1.75f), "7");
  EXPECT_EQ(display(5, 0.0f), "-36.000");
}

TEST_F(Boundary, OutOfRangeParametersAreRejected) {
  fx->setParameter(40, 0.5f);
  fx->setParameter(-1, 0.5f);
  fx->setParameter(1 << 30, 0.5f);
  EXPECT_EQ(fx->getParameter(40), 0.0f);
  EXPECT_EQ(fx->getParameter(-7), 0.0f);
  EXPECT_EQ(fx->parameterDisplay(40), "");
  EXPECT_EQ(fx->parameterLabel(1000), "");
}

TEST_F(Boundary, ProgramsAndNames) {
  EXPECT_EQ(fx->program(), 0);
  EXPECT_EQ(fx->programName(), "Defaults");
  const char* names[11] = {"Defaults", "Down One Octave", "Down Two Octaves", "Sync To The Max",
                           "Auto-Wah", "PWM-tastic", "Ring Mod", "Auto Bassline",
                           "Try Me On Drums", "Sweep The Pitch", "Madness"};
  for (int p = 0; p < 11; ++p) {
    std::string name;
    EXPECT_TRUE(fx->programNameIndexed(p, name));
    EXPECT_EQ(name, names[p]);
  }
  char untouched[32] = "untouched";
  EXPECT_EQ(op(effGetProgramNameIndexed, 11, 0, untouched), 0);
  EXPECT_STREQ(untouched, "untouched");
  EXPECT_EQ(op(effGetProgramNameIndexed, -1, 0, untouched), 0);

  // Negative and too large program numbers are ignored.
  fx->setProgram(11);
  fx->setProgram(-1);
  EXPECT_EQ(fx->program(), 0);

  // A 40-character name keeps 31 characters; the host sees at most 23.
  char longName[] = "A name of forty characters for program1";
  op(effSetProgramName, 0, 0, longName);
  char out[64];
  std::memset(out, 'x', sizeof(out));
  op(effGetProgramName, 0, 0, out);
  EXPECT_EQ(std::string(out), std::string(longName).substr(0, 23));
  EXPECT_EQ(out[24], 'x');  // nothing written past the 24-byte buffer
}

TEST_F(Boundary, FactoryProgramsThroughTheHost) {
  fx->setProgram(10);  // Madness
  EXPECT_EQ(fx->programName(), "Madness");
  EXPECT_EQ(fx->parameterDisplay(30), "7.394");
  EXPECT_EQ(fx->parameterDisplay(31), "16.02");
  EXPECT_EQ(fx->parameterDisplay(29), "Square");
  EXPECT_EQ(fx->parameterDisplay(27), "High");
  EXPECT_EQ(fx->parameterDisplay(5), "-36.000");
  EXPECT_EQ(fx->parameterDisplay(25), "1902");
  fx->setProgram(6);  // Ring Mod
  EXPECT_EQ(fx->parameterDisplay(18), "51.44");
  EXPECT_EQ(fx->parameterDisplay(3), "1.000");
  fx->setProgram(0);
  EXPECT_EQ(fx->parameterDisplay(7), "800.0");
  EXPECT_EQ(fx->parameterDisplay(12), "12.00");
}

TEST_F(Boundary, EditsSurviveProgramSwitches) {
  fx->setProgram(3);
  fx->setParameter(0, 0.75f);
  fx->setProgram(4);
  EXPECT_EQ(fx->getParameter(0), 0.0f);
  fx->setProgram(3);
  EXPECT_EQ(fx->getParameter(0), 0.75f);
}

// A host saves a bank as names plus normalised values and restores it into a fresh
// instance through the same boundary.
TEST_F(Boundary, BankSavedAndRestoredThroughTheHost) {
  fx->setProgram(2);
  fx->setParameter(11, 0.3f);
  char renamed[] = "My Octaves";
  op(effSetProgramName, 0, 0, renamed);

  struct Saved {
    std::string name;
    std::vector<float> values;
    std::vector<std::string> displays;
  };
  std::vector<Saved> bank;
  for (int p = 0; p < 11; ++p) {
    fx->setProgram(p);
    Saved s{fx->programName(), {}, {}};
    for (int i = 0; i < 40; ++i) {
      s.values.push_back(fx->getParameter(i));
      s.displays.push_back(fx->parameterDisplay(i));
    }
    bank.push_back(s);
  }

  HostedEffect restored(plugin());
  for (int p = 0; p < 11; ++p) {
    restored.setProgram(p);
    std::string name = bank[p].name;
    restored.dispatch(effSetProgramName, 0, 0, &name[0]);
    for (int i = 0; i < 40; ++i) restored.setParameter(i, bank[p].values[i]);
  }
  for (int p = 0; p < 11; ++p) {
    restored.setProgram(p);
    EXPECT_EQ(restored.programName(), bank[p].name);
    for (int i = 0; i < 40; ++i) {
      EXPECT_NEAR(restored.getParameter(i), bank[p].values[i], 1e-6f) << p << "/" << i;
      // Hertz values come back within float error of the exponential mapping, which can
      // move 1000 to 999.9999; every other display comes back as it was.
      if (restored.parameterLabel(i) != "Hz") {
        EXPECT_EQ(restored.parameterDisplay(i), bank[p].displays[i]) << p << "/" << i;
      }
    }
  }
  restored.setProgram(2);
  EXPECT_EQ(restored.programName(), "My Octaves");
  EXPECT_EQ(restored.parameterDisplay(11), "2");  // indexed values come back exactly
}

TEST_F(Boundary, DefaultProgramDelaysAudioThroughTheRecord) {
  fx->setSampleRate(44100.0f);
  fx->setBlockSize(256);
  fx->resume();
  std::vector<float> inL(4096), inR(4096), outL(4096), outR(4096);
  for (size_t i = 0; i < inL.size(); ++i) {
    inL[i] = std::sin(i * 0.05f) * 0.5f;
    inR[i] = std::cos(i * 0.031f) * 0.25f;
  }
  for (size_t start = 0; start < inL.size(); start += 256) {
    float* in[2] = {inL.data() + start, inR.data() + start};
    float* out[2] = {outL.data() + start, outR.data() + start};
    fx->processReplacing(in, out, 256);
  }
  for (size_t i = 881; i < inL.size(); ++i) {
    ASSERT_EQ(outL[i], inL[i - 881]) << i;
    ASSERT_EQ(outR[i], inR[i - 881]) << i;
  }
}

// The output comes the look-ahead late; the record reports it for delay compensation and the
// host hears of a change through the I/O-changed callback, only when the delay changes.
TEST_F(Boundary, LatencyFollowsTheSampleRate) {
  auto ioChanges = [this] {
    int n = 0;
    for (const auto& call : fx->callbacks()) n += call.opcode == audioMasterIOChanged ? 1 : 0;
    return n;
  };
  EXPECT_EQ(ioChanges(), 0);  // none during construction
  struct Step {
    float rate;
    int32_t delay;
    int changes;
  } steps[] = {{48000.0f, 959, 1},   {48000.0f, 959, 1}, {22050.0f, 440, 2}, {96000.0f, 1023, 3},
               {192000.0f, 1023, 3}, {0.0f, 1023, 3},    {44100.0f, 881, 4}};
  for (const Step& step : steps) {
    fx->setSampleRate(step.rate);
    EXPECT_EQ(fx->record()->initialDelay, step.delay) << step.rate;
    EXPECT_EQ(ioChanges(), step.changes) << step.rate;
  }
  // The combined block-size-and-rate opcode reports the delay too.
  EXPECT_EQ(op(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
  EXPECT_EQ(fx->record()->initialDelay, 959);
  EXPECT_EQ(ioChanges(), 5);

  // The delay reported is the delay heard: an impulse comes out initialDelay samples later.
  fx->resume();
  std::vector<float> inL(2048, 0.0f), inR(2048, 0.0f), outL(2048), outR(2048);
  inL[10] = 1.0f;
  inR[20] = -0.5f;
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  fx->processReplacing(in, out, 256);
  for (int start = 256; start < 2048; start += 256) {
    float* inPart[2] = {inL.data() + start, inR.data() + start};
    float* outPart[2] = {outL.data() + start, outR.data() + start};
    fx->processReplacing(inPart, outPart, 256);
  }
  const int32_t delay = fx->record()->initialDelay;
  EXPECT_EQ(outL[10 + delay], 1.0f);
  EXPECT_EQ(outR[20 + delay], -0.5f);
}

}  // namespace
