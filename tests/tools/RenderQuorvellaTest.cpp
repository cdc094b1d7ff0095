// quorvella-render driving the product plug-in, found by default next to the renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ToolTestSupport.h"

namespace {

using toolstest::quote;
using toolstest::run;

// The default program passes the dry signal through the 20 ms look-ahead.
constexpr int kDefaultDelay = 881;

TEST(RenderQuorvellaTest, DefaultProgramDelaysTheInputExactly) {
  toolstest::TempFolder dir;
  std::string input = dir.file("in.wav");
  std::string output = dir.file("out.wav");
  toolstest::Audio signal = toolstest::testSignal(1, 22050, 100);
  ASSERT_TRUE(toolstest::writeWav(input, signal, 44100));
  // No --plugin: quorvella.so next to the renderer.
  auto result = run(quote(QUORVELLA_RENDER_PATH) + " " + quote(input) + " -o " + quote(output));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("22050 frames, 0.500 s, program 0 'Defaults',"), std::string::npos)
      << result.out;
  toolstest::Audio out = toolstest::readAudio(output);
  ASSERT_EQ(out.size(), 2u);
  for (size_t c = 0; c < 2; ++c) {
    ASSERT_EQ(out[c].size(), 22050u);
    for (int n = 0; n < 22050; ++n) {
      float expected = n < kDefaultDelay ? 0.0f : signal[0][n - kDefaultDelay];
      ASSERT_NEAR(out[c][n], expected, 1e-6f) << "channel " << c << " frame " << n;
    }
  }
}

TEST(RenderQuorvellaTest, ProgramsAreListedAndChosenByName) {
  auto result = run(quote(QUORVELLA_RENDER_PATH) + " --plugin " + quote(QUORVELLA_PLUGIN_PATH) +
                    " --list-programs");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 11) << result.out;
  EXPECT_EQ(result.out.rfind("0\tDefaults\n1\tDown One Octave\n", 0), 0u) << result.out;

  toolstest::TempFolder dir;
  std::string input = dir.file("in.wav");
  ASSERT_TRUE(toolstest::writeWav(input, toolstest::testSignal(2, 4410, -1), 44100));
  result = run(quote(QUORVELLA_RENDER_PATH) + " --program 'down one octave' " + quote(input) +
               " -o " + quote(dir.file("out.wav")));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("program 1 'Down One Octave'"), std::string::npos) << result.out;

  result = run(quote(QUORVELLA_RENDER_PATH) + " --program 'Up One Octave' " + quote(input) +
               " -o " + quote(dir.file("never.wav")));
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err.rfind("quorvella-render: unknown program 'Up One Octave'; the programs "
                             "are 0 'Defaults', 1 'Down One Octave', ",
                             0),
            0u)
      << result.err;
}

}  // namespace
