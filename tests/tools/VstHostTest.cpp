// The host library against the fixture plug-in, whose callbacks and audio are known.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "ToolTestSupport.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using vsthost::CallbackRecord;
using vsthost::HostedEffect;
using vsthost::PluginLibrary;

constexpr int32_t kMidiEcho = 1000;  // the fixture's echo of each MIDI event
constexpr int32_t kClosing = 1001;   // the fixture's last callback in effClose

std::vector<CallbackRecord> withOpcode(const std::vector<CallbackRecord>& all, int32_t opcode) {
  std::vector<CallbackRecord> out;
  std::copy_if(all.begin(), all.end(), std::back_inserter(out),
               [&](const CallbackRecord& r) { return r.opcode == opcode; });
  return out;
}

class VstHostTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(library.open(QUORVELLA_FIXTURE_PATH), ""); }
  PluginLibrary library;
};

TEST_F(VstHostTest, RecordsEntryCallbacksIncludingNullRecordAndOwnThread) {
  HostedEffect effect(library);
  ASSERT_TRUE(effect.valid()) << effect.error();
  EXPECT_EQ(library.entryName(), "VSTPluginMain");
  AEffect* record = effect.record();
  EXPECT_EQ(record->magic, kEffectMagic);

  std::vector<CallbackRecord> calls = effect.callbacks();
  ASSERT_EQ(calls.size(), 4u);
  // Version and canDo come before the record exists.
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(calls[0].effect, nullptr);
  EXPECT_EQ(calls[1].opcode, audioMasterCanDo);
  EXPECT_EQ(calls[1].effect, nullptr);
  EXPECT_EQ(calls[1].text, "sendVstEvents");
  // Then the plug-in uses its record before the entry has returned it...
  EXPECT_EQ(calls[2].opcode, audioMasterGetSampleRate);
  EXPECT_EQ(calls[2].effect, record);
  // ...also from a thread of its own, which is attributed once the record is known.
  EXPECT_EQ(calls[3].opcode, audioMasterIdle);
  EXPECT_EQ(calls[3].effect, record);
  EXPECT_NE(calls[3].thread, std::this_thread::get_id());
  for (size_t i = 1; i < calls.size(); ++i) EXPECT_LT(calls[i - 1].sequence, calls[i].sequence);
  for (const CallbackRecord& orphan : HostedEffect::unattributedCallbacks())
    EXPECT_NE(orphan.effect, record);

  effect.clearCallbacks();
  EXPECT_TRUE(effect.callbacks().empty());
}

TEST_F(VstHostTest, VersionAnswerZeroMakesThePluginRefuse) {
  vsthost::HostOptions options;
  options.versionAnswer = 0;
  HostedEffect effect(library, options);
  EXPECT_FALSE(effect.valid());
  EXPECT_EQ(effect.record(), nullptr);
  EXPECT_NE(effect.error().find("returned no effect from VSTPluginMain"), std::string::npos)
      << effect.error();
  std::vector<CallbackRecord> calls = effect.callbacks();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  // Every operation on an invalid instance is a harmless no-op.
  EXPECT_EQ(effect.dispatch(effGetVendorVersion), 0);
  EXPECT_EQ(effect.parameterName(0), "");
  effect.close();
}

TEST_F(VstHostTest, QueriesAndProgramsGoThroughTheDispatcher) {
  HostedEffect effect(library);
  ASSERT_TRUE(effect.valid());
  effect.open();
  effect.setSampleRate(48000.0f);
  effect.setBlockSize(256);
  EXPECT_EQ(effect.effectName(), "Fixture Delay");
  EXPECT_EQ(effect.vendorString(), "Quorvella Tests");
  EXPECT_EQ(effect.parameterName(3), "Freq");
  EXPECT_EQ(effect.parameterLabel(3), "Hz");
  effect.setParameter(3, 0.5f);
  EXPECT_FLOAT_EQ(effect.getParameter(3), 0.5f);
  EXPECT_EQ(effect.parameterDisplay(3), "632.5");

  std::string name;
  ASSERT_TRUE(effect.programNameIndexed(1, name));
  EXPECT_EQ(name, "Quarter Delay");
  EXPECT_FALSE(effect.programNameIndexed(2, name));
  effect.setProgram(1);
  EXPECT_EQ(effect.program(), 1);
  EXPECT_EQ(effect.programName(), "Quarter Delay");
  EXPECT_EQ(effect.parameterDisplay(0), "250");

  // The host answers the plug-in's queries (here from a plug-in thread) with the rate and
  // block size it was last given, and with its version.
  effect.clearCallbacks();
  EXPECT_EQ(effect.dispatch(effVendorSpecific, 1, audioMasterGetSampleRate), 48000);
  EXPECT_EQ(effect.dispatch(effVendorSpecific, 1, audioMasterGetBlockSize), 256);
  EXPECT_EQ(effect.dispatch(effVendorSpecific, 1, audioMasterVersion), 2400);
  EXPECT_EQ(effect.dispatch(effVendorSpecific, 1, audioMasterCanDo), 0);
  EXPECT_EQ(effect.callbacks().size(), 4u);
}

TEST_F(VstHostTest, ProcessReplacingDelaysEachChannelExactly) {
  HostedEffect effect(library);
  ASSERT_TRUE(effect.valid());
  effect.open();
  effect.setSampleRate(44100.0f);
  effect.setBlockSize(64);
  effect.setParameter(0, 0.1f);  // 100 samples
  effect.resume();
  toolstest::Audio input = toolstest::testSignal(2, 640, 7);
  toolstest::Audio output(2, std::vector<float>(640));
  for (int start = 0; start < 640; start += 64) {
    float* in[2] = {&input[0][start], &input[1][start]};
    float* out[2] = {&output[0][start], &output[1][start]};
    effect.processReplacing(in, out, 64);
  }
  effect.suspend();
  for (int c = 0; c < 2; ++c) {
    for (int n = 0; n < 100; ++n) ASSERT_EQ(output[c][n], 0.0f) << c << ":" << n;
    for (int n = 100; n < 640; ++n) ASSERT_EQ(output[c][n], input[c][n - 100]) << c << ":" << n;
  }
}

TEST_F(VstHostTest, SendMidiDeliversEveryMessageInOneBlock) {
  HostedEffect effect(library);
  ASSERT_TRUE(effect.valid());
  effect.clearCallbacks();
  std::vector<HostedEffect::MidiMessage> messages = {
      {0x90, 60, 100}, {0x80, 60, 0}, {0xB0, 7, 127}, {0xE0, 0, 64}, {0x91, 72, 1}};
  EXPECT_EQ(effect.sendMidi(messages), 1);
  std::vector<CallbackRecord> echoes = withOpcode(effect.callbacks(), kMidiEcho);
  ASSERT_EQ(echoes.size(), messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(echoes[i].index, messages[i][0]);
    EXPECT_EQ(echoes[i].value, messages[i][1] << 8 | messages[i][2]);
  }
  EXPECT_EQ(effect.sendMidi({}), 1);
}

TEST_F(VstHostTest, ConcurrentInstancesKeepTheirOwnCallbacks) {
  HostedEffect first(library);
  HostedEffect second(library);
  ASSERT_TRUE(first.valid());
  ASSERT_TRUE(second.valid());
  first.clearCallbacks();
  second.clearCallbacks();
  // Each dispatch makes the plug-in call back from a new thread while the other
  // instance does the same.
  std::thread a([&] {
    for (int i = 0; i < 20; ++i) first.dispatch(effVendorSpecific, 10, audioMasterUpdateDisplay);
  });
  std::thread b([&] {
    for (int i = 0; i < 20; ++i) second.dispatch(effVendorSpecific, 5, audioMasterEndEdit);
  });
  a.join();
  b.join();
  std::vector<CallbackRecord> one = first.callbacks();
  std::vector<CallbackRecord> two = second.callbacks();
  ASSERT_EQ(one.size(), 200u);
  ASSERT_EQ(two.size(), 100u);
  for (const CallbackRecord& r : one) {
    EXPECT_EQ(r.effect, first.record());
    EXPECT_EQ(r.opcode, audioMasterUpdateDisplay);
  }
  for (const CallbackRecord& r : two) {
    EXPECT_EQ(r.effect, second.record());
    EXPECT_EQ(r.opcode, audioMasterEndEdit);
  }
}

TEST_F(VstHostTest, CloseRecordsTheLastCallbackAndForgetsTheRecord) {
  HostedEffect effect(library);
  ASSERT_TRUE(effect.valid());
  AEffect* record = effect.record();
  effect.clearCallbacks();
  effect.close();
  EXPECT_EQ(effect.record(), nullptr);
  std::vector<CallbackRecord> calls = effect.callbacks();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].opcode, kClosing);
  EXPECT_EQ(calls[0].effect, record);
  EXPECT_EQ(effect.dispatch(effGetProgram), 0);
  effect.close();  // a second close does nothing
  EXPECT_EQ(effect.callbacks().size(), 1u);
}

TEST_F(VstHostTest, LibraryStaysLoadedUntilTheLastInstanceIsGone) {
  auto loaded = [] {
    void* handle = ::dlopen(QUORVELLA_FIXTURE_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) ::dlclose(handle);
    return handle != nullptr;
  };
  auto effect = std::make_unique<HostedEffect>(library);
  ASSERT_TRUE(effect->valid());
  library.open(QUORVELLA_FIXTURE_MAIN_PATH);  // the first library is released here
  EXPECT_TRUE(loaded());
  effect->setParameter(0, 0.0f);
  float in0[8] = {1, 2, 3, 4, 5, 6, 7, 8}, in1[8] = {};
  float out0[8] = {}, out1[8] = {};
  float* in[2] = {in0, in1};
  float* out[2] = {out0, out1};
  effect->processReplacing(in, out, 8);
  EXPECT_EQ(out0[7], 8.0f);
  effect->close();
  EXPECT_TRUE(loaded());  // closed but not yet destroyed
  effect.reset();
#if !defined(__SANITIZE_ADDRESS__)  // under the leak checker plug-ins stay mapped (PluginLibrary)
  EXPECT_FALSE(loaded());
#endif
}

TEST(VstHostLoadTest, FallsBackToMainAndReportsLoadFailures) {
  PluginLibrary library;
  ASSERT_EQ(library.open(QUORVELLA_FIXTURE_MAIN_PATH), "");
  EXPECT_EQ(library.entryName(), "main");
  HostedEffect effect(library);
  EXPECT_TRUE(effect.valid()) << effect.error();

  PluginLibrary other;
  std::string error = other.open(QUORVELLA_FIXTURE_NOENTRY_PATH);
  EXPECT_NE(error.find("exports neither VSTPluginMain nor main"), std::string::npos) << error;
  EXPECT_FALSE(other.isOpen());
  HostedEffect none(other);
  EXPECT_FALSE(none.valid());
  EXPECT_EQ(none.error(), "no plug-in library is open");

  error = other.open("/nonexistent/plugin.so");
  EXPECT_EQ(error, "plug-in '/nonexistent/plugin.so' not found");

  toolstest::TempFolder dir;
  std::string text = dir.file("not-a-plugin.so");
  ASSERT_TRUE(toolstest::writeFile(text, "plain text\n"));
  error = other.open(text);
  EXPECT_EQ(error.rfind("cannot load plug-in '" + text + "': ", 0), 0u) << error;
}

}  // namespace
