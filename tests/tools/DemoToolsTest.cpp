// The demo input generator and tools/demo.sh (run here with the fixture plug-in, which
// has two programs, so that the script's own logic is tested quickly).
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ToolTestSupport.h"
#include "demo/DemoBassLine.h"

namespace {

using toolstest::quote;
using toolstest::run;

constexpr int kFrames = 8 * 44100;
constexpr int kStep = 44100 / 4;  // eighth notes at 120 BPM

TEST(DemoToolsTest, DemoInputIsDeterministicPluckedNotes) {
  toolstest::TempFolder dir;
  std::string a = dir.file("a.wav");
  std::string b = dir.file("b.wav");
  ASSERT_EQ(run(quote(QUORVELLA_DEMO_INPUT_PATH) + " " + quote(a)).status, 0);
  ASSERT_EQ(run(quote(QUORVELLA_DEMO_INPUT_PATH) + " " + quote(b)).status, 0);
  EXPECT_EQ(toolstest::readFile(a), toolstest::readFile(b));

  int rate = 0, format = 0;
  toolstest::Audio audio = toolstest::readAudio(a, &rate, &format);
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  ASSERT_EQ(audio.size(), 1u);
  ASSERT_EQ(audio[0].size(), static_cast<size_t>(kFrames));
  EXPECT_EQ(demo::DemoBassLine::frames(), kFrames);

  float peak = 0.0f;
  for (float s : audio[0]) peak = std::max(peak, std::fabs(s));
  EXPECT_GT(peak, 0.25f);
  EXPECT_LT(peak, 0.5f);
  // Each of the 32 notes sounds for 80% of its step, starting softly, then is silent.
  for (int note = 0; note < 32; ++note) {
    const int start = note * kStep;
    EXPECT_LT(std::fabs(audio[0][start]), 0.01f) << note;
    float loud = 0.0f;
    for (int n = start; n < start + kStep / 4; ++n) loud = std::max(loud, std::fabs(audio[0][n]));
    EXPECT_GT(loud, 0.1f) << note;
    for (int n = start + kStep * 8 / 10 + 1; n < start + kStep; ++n)
      ASSERT_EQ(audio[0][n], 0.0f) << note << ":" << n;
  }

  auto usage = run(quote(QUORVELLA_DEMO_INPUT_PATH));
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err.rfind("Usage: quorvella-demo-input [--float | --chirp] OUTPUT.wav\n", 0), 0u);
}

TEST(DemoToolsTest, DemoScriptRendersEveryProgramOfThePlugin) {
  toolstest::TempFolder dir;
  std::string out = dir.file("out");
  std::string script = std::string(QUORVELLA_SOURCE_DIR) + "/tools/demo.sh";
  auto result = run("QUORVELLA_DEMO_NO_EDITOR=1 QUORVELLA_DEMO_PLUGIN=" + quote(QUORVELLA_FIXTURE_PATH) + " " +
                    quote(script) + " " + quote(QUORVELLA_TOOLS_BINARY_DIR) + " " + quote(out));
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string input = out + "/demo-input.wav";
  const std::string first = out + "/00-straight.wav";
  const std::string second = out + "/01-quarter-delay.wav";
  EXPECT_EQ(result.out.rfind("wrote " + input + "\n" + input + " -> " + first + ": 396900 frames",
                             0),
            0u)
      << result.out;
  EXPECT_NE(result.out.find(input + " -> " + second + ": 396900 frames, 9.000 s, program 1 "
                                                       "'Quarter Delay'"),
            std::string::npos)
      << result.out;
  toolstest::Audio dry = toolstest::readAudio(input);
  toolstest::Audio delayed = toolstest::readAudio(second);
  ASSERT_EQ(delayed.size(), 2u);
  ASSERT_EQ(delayed[1].size(), 396900u);
  for (int n = 250; n < kFrames; n += 997) EXPECT_EQ(delayed[1][n], dry[0][n - 250]) << n;

  auto missing = run(quote(script) + " " + quote(dir.file("nowhere")) + " " + quote(out));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("quorvella-demo-input is missing"), std::string::npos)
      << missing.err;
}

}  // namespace
