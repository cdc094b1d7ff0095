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

// The display column of parameter `index` in a --list after the given --param options,
// or the error when the tool refuses them.
std::string shown(const std::string& params, int index) {
  auto result = run(quote(QUORVELLA_RENDER_PATH) + " " + params + " --list");
  if (result.status != 0) return result.err;
  std::string row = "\n" + std::string(index < 10 ? 6 : 5, ' ') + std::to_string(index) + "  ";
  size_t at = result.out.find(row, result.out.find("Parameters ("));
  if (at == std::string::npos) return "no row " + std::to_string(index) + " in " + result.out;
  const size_t start = at + row.size();
  std::string line = result.out.substr(start, result.out.find('\n', start) - start);
  line = line.substr(0, 48);  // name and display, without the label
  return line.erase(line.find_last_not_of(' ') + 1);
}

TEST(RenderQuorvellaTest, FullNamesAndUniquePrefixesNameEveryParameter) {
  // The host sees "Pitch Offset Sw" and "Use Filtered Fo" (twice); --list shows the full
  // names, and both full names and unique prefixes are accepted.
  EXPECT_EQ(shown("--param 'Pitch Offset Sweepable=5'", 6), "Pitch Offset Sweepable  5.000");
  EXPECT_EQ(shown("--param 'use filtered for wet=On'", 10), "Use Filtered For Wet    On");
  EXPECT_EQ(shown("--param 'Pitch Offset Sw=-2'", 6), "Pitch Offset Sweepable  -2.000");
  EXPECT_EQ(shown("--param 'osc pi=Track'", 18), "Osc Pitch               Track");
  // An exact name wins over the longer names it begins.
  EXPECT_EQ(shown("--param 'Pitch Offset=3'", 5), "Pitch Offset            3.000");
  EXPECT_EQ(shown("--param 'Pitch LFO Amount=7'", 31), "Pitch LFO Amount        7.000");
  EXPECT_EQ(shown("--param 'Use Filtered Fo=On'", 9),
            "quorvella-render: parameter name 'Use Filtered Fo' is ambiguous: 'Use Filtered "
            "For Dry' (9), 'Use Filtered For Wet' (10); give more of the name or the index\n");
  EXPECT_EQ(shown("--param 'Pitch LFO=1'", 29),
            "quorvella-render: parameter name 'Pitch LFO' is ambiguous: 'Pitch LFO Shape' (29), "
            "'Pitch LFO Speed' (30), 'Pitch LFO Amount' (31), 'Pitch LFO Amount Fine' (32); "
            "give more of the name or the index\n");
}

TEST(RenderQuorvellaTest, PlainValuesAreSetWhateverTheDisplayRoundsThemTo) {
  // Osc Pitch shows "Track" at 0, so its display cannot be bisected as a number.
  EXPECT_EQ(shown("--param 'Osc Pitch=60'", 18), "Osc Pitch               60.00");
  EXPECT_EQ(shown("--param 18=60", 18), "Osc Pitch               60.00");
  EXPECT_EQ(shown("--param 18=59.99", 18), "Osc Pitch               59.99");
  // Filter Type names its corners but is continuous in between.
  EXPECT_EQ(shown("--param 'Filter Type=1'", 27), "Filter Type             Low");
  EXPECT_EQ(shown("--param 'Filter Type=2.4'", 27), "Filter Type             2.400");
  // Exponential mapping; indexed values round as the plug-in rounds them.
  EXPECT_EQ(shown("--param 'Filter Cutoff=3151'", 25), "Filter Cutoff           3151");
  EXPECT_EQ(shown("--param 'Pitch LFO Shape=2.4'", 29), "Pitch LFO Shape         SawUp");
  EXPECT_EQ(shown("--param 'Filter LFO Shape=SawUp'", 33), "Filter LFO Shape        SawUp");
  EXPECT_EQ(shown("--param 'Osc Pitch=127.5'", 18),
            "quorvella-render: value 127.5 is outside the range of parameter 'Osc Pitch' "
            "(18): 0 to 127\n");
  EXPECT_EQ(shown("--param 'Filter Cutoff=20'", 25),
            "quorvella-render: value 20 is outside the range of parameter 'Filter Cutoff' "
            "(25): 50 to 12000 Hz\n");
}

}  // namespace
