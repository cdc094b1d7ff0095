// The host library against a third-party VST 2.4 effect from Debian (lsp-plugins-vst):
// the stereo delay compensator, whose "samp" parameter delays by whole samples.
#include <gtest/gtest.h>

#include <vector>

#include "ToolTestSupport.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

const char* const kLspDelay = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";

TEST(VstHostLspTest, LoadsRecordsCallbacksProcessesAndCloses) {
  if (!toolstest::fileExists(kLspDelay)) GTEST_SKIP() << kLspDelay << " is not installed";
  toolstest::ForeignLeakScope foreignLeaks;
  vsthost::PluginLibrary library;
  ASSERT_EQ(library.open(kLspDelay), "");
  vsthost::HostedEffect effect(library);
  ASSERT_TRUE(effect.valid()) << effect.error();
  const AEffect* record = effect.record();
  EXPECT_EQ(record->numInputs, 2);
  EXPECT_EQ(record->numOutputs, 2);
  EXPECT_TRUE(record->flags & effFlagsCanReplacing);

  // Like every VST 2.4 plug-in, it asks the host version first, before it has a record.
  std::vector<vsthost::CallbackRecord> calls = effect.callbacks();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(calls[0].effect, nullptr);

  int32_t samp = -1;
  for (int32_t i = 0; i < record->numParams; ++i)
    if (effect.parameterName(i) == "samp") samp = i;
  ASSERT_GE(samp, 0);

  const int32_t block = 256;
  effect.open();
  effect.setSampleRate(44100.0f);
  effect.setBlockSize(block);
  effect.setParameter(samp, 0.01f);  // 0..10000 samples
  ASSERT_EQ(effect.parameterDisplay(samp), "100");
  effect.resume();
  // The plug-in reads the time and its rate from the host while starting and processing.
  effect.clearCallbacks();
  const int frames = 4 * block;
  toolstest::Audio input = toolstest::testSignal(2, frames, 3);
  toolstest::Audio output(2, std::vector<float>(frames));
  for (int start = 0; start < frames; start += block) {
    float* in[2] = {&input[0][start], &input[1][start]};
    float* out[2] = {&output[0][start], &output[1][start]};
    effect.processReplacing(in, out, block);
  }
  effect.suspend();
  for (const vsthost::CallbackRecord& r : effect.callbacks()) EXPECT_EQ(r.effect, record);
  for (int c = 0; c < 2; ++c) {
    for (int n = 0; n < 100; ++n) ASSERT_NEAR(output[c][n], 0.0f, 1e-7f) << c << ":" << n;
    for (int n = 100; n < frames; ++n)
      ASSERT_NEAR(output[c][n], input[c][n - 100], 1e-6f) << c << ":" << n;
  }
  effect.close();
  EXPECT_EQ(effect.record(), nullptr);
}

}  // namespace
