// quorvella-render end to end, as a subprocess, through the fixture plug-in and a
// third-party Debian plug-in; and its error paths with their messages and exit codes.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ToolTestSupport.h"

namespace {

using toolstest::quote;
using toolstest::run;

const char* const kLspDelay = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";

std::string render(const std::string& arguments) {
  return quote(QUORVELLA_RENDER_PATH) + " " + arguments;
}

std::string withFixture(const std::string& arguments) {
  return render("--plugin " + quote(QUORVELLA_FIXTURE_PATH) + " " + arguments);
}

// out[c][n] == in[source][n - delay] for every frame, zero before.
void expectDelayed(const toolstest::Audio& in, const toolstest::Audio& out, size_t channels,
                   int delay, float tolerance) {
  ASSERT_EQ(out.size(), channels);
  for (size_t c = 0; c < channels; ++c) {
    const auto& source = in[in.size() == 1 ? 0 : c];
    for (size_t n = 0; n < out[c].size(); ++n) {
      float expected = n < static_cast<size_t>(delay) || n - delay >= source.size()
                           ? 0.0f
                           : source[n - delay];
      ASSERT_NEAR(out[c][n], expected, tolerance) << "channel " << c << " frame " << n;
    }
  }
}

class RenderToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input = dir.file("in.wav");
    signal = toolstest::testSignal(2, 3000, 10);
    ASSERT_TRUE(toolstest::writeWav(input, signal, 44100));
  }
  toolstest::TempFolder dir;
  std::string input;
  toolstest::Audio signal;
};

TEST_F(RenderToolTest, RendersThroughTheFixtureWithProgramParamsAndTail) {
  std::string output = dir.file("out.wav");
  auto result = run(withFixture("--program 'quarter delay' --param Gain=0 --block-size 100 "
                                "--tail 0.01 " + quote(input) + " -o " + quote(output)));
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string summary =
      input + " -> " + output + ": 3441 frames, 0.078 s, program 1 'Quarter Delay', ";
  EXPECT_EQ(result.out.rfind(summary, 0), 0u) << result.out;
  EXPECT_EQ(result.out.substr(result.out.size() - 12), "x real time\n") << result.out;
  EXPECT_EQ(result.err, "");  // no progress bar when stderr is not a terminal
  int rate = 0, format = 0;
  toolstest::Audio out = toolstest::readAudio(output, &rate, &format);
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);  // the input's format
  ASSERT_EQ(out[0].size(), 3441u);  // 3000 + 441 tail frames
  expectDelayed(signal, out, 2, 250, 0.0f);
  EXPECT_FALSE(toolstest::fileExists(output + ".part"));
}

TEST_F(RenderToolTest, MonoInputFeedsBothInputsAndExtensionPicksTheFormat) {
  std::string mono = dir.file("mono.wav");
  toolstest::Audio one = {signal[0]};
  ASSERT_TRUE(toolstest::writeWav(mono, one, 48000));
  std::string output = dir.file("out.flac");
  auto result = run(withFixture("--param 0=0.01n " + quote(mono) + " --output=" + quote(output)));
  ASSERT_EQ(result.status, 0) << result.err;
  int rate = 0, format = 0;
  toolstest::Audio out = toolstest::readAudio(output, &rate, &format);
  EXPECT_EQ(rate, 48000);
  EXPECT_EQ(format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  expectDelayed(one, out, 2, 10, 1.0f / (1 << 22));
}

TEST_F(RenderToolTest, IntegerOutputWarnsAboutClippedSamples) {
  // 12 dB lifts the 0.9 impulse to about 3.6: clipped in 24-bit FLAC, kept in float WAV.
  std::string flac = dir.file("loud.flac");
  auto result = run(withFixture("--param Gain=12 " + quote(input) + " -o " + quote(flac)));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("samples beyond full scale were clipped in '" + flac + "'"),
            std::string::npos)
      << result.err;
  EXPECT_FLOAT_EQ(toolstest::readAudio(flac)[0][10], 1.0f);
  std::string wav = dir.file("loud.wav");
  result = run(withFixture("--param Gain=12 " + quote(input) + " -o " + quote(wav)));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_NEAR(toolstest::readAudio(wav)[0][10], 0.9f * std::pow(10.0f, 0.6f), 1e-5f);
}

TEST_F(RenderToolTest, OutDirTakesSeveralInputs) {
  std::string second = dir.file("second.wav");
  ASSERT_TRUE(toolstest::writeWav(second, toolstest::testSignal(2, 500, 0), 44100));
  auto result =
      run(withFixture(quote(input) + " " + quote(second) + " --out-dir " + quote(dir.file("o"))));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(toolstest::readAudio(dir.file("o/in.wav"))[0].size(), 3000u);
  EXPECT_EQ(toolstest::readAudio(dir.file("o/second.wav"))[0].size(), 500u);
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 2);
}

TEST_F(RenderToolTest, ListShowsProgramsAndParametersAfterTheOptions) {
  auto result = run(withFixture("--program 1 --param Mode=Muted --list"));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Effect:   Fixture Delay\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Programs (2):\n      0  Straight\n *    1  Quarter Delay\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("      0  Delay                   250                     samples\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("      2  Mode                    Muted\n"), std::string::npos)
      << result.out;
  result = run(withFixture("--list-programs"));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "0\tStraight\n1\tQuarter Delay\n");
}

TEST_F(RenderToolTest, ThirdPartyDelayCompensatorDelaysExactly) {
  if (!toolstest::fileExists(kLspDelay)) GTEST_SKIP() << kLspDelay << " is not installed";
  std::string output = dir.file("lsp.wav");
  // The plug-in leaves heap blocks reachable only from its own data, which LeakSanitizer
  // reports once the library is unloaded; they are not the renderer's.
  auto result = run("ASAN_OPTIONS=detect_leaks=0 " + render("--plugin " + quote(kLspDelay) +
                           " --param samp=100 --param mode=samples " + quote(input) + " -o " +
                           quote(output)));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("3000 frames, 0.068 s, program -,"), std::string::npos) << result.out;
  expectDelayed(signal, toolstest::readAudio(output), 2, 100, 1e-6f);
}

TEST_F(RenderToolTest, CommandLineErrorsExitWithTwo) {
  std::string output = dir.file("never.wav");
  const std::string inOut = quote(input) + " -o " + quote(output);
  struct Case {
    std::string arguments;
    std::string message;
  };
  const Case cases[] = {
      {"--program Nope " + inOut,
       "unknown program 'Nope'; the programs are 0 'Straight', 1 'Quarter Delay'"},
      {"--program 2 " + inOut, "program 2 is out of range (the plug-in has 2 programs, 0..1)"},
      {"--param Volume=3 " + inOut, "unknown parameter 'Volume' (see --list)"},
      {"--param Delay=2000 " + inOut,
       "value 2000 is outside the range of parameter 'Delay' (0): 0 to 1000 samples"},
      {"--param Delay " + inOut, "--param 'Delay' is not NAME=VALUE or INDEX=VALUE"},
      {"--block-size 0 " + inOut, "--block-size '0' is not a whole number from 1 to 65536"},
      {"--tail -1 " + inOut, "--tail '-1' is not a number of seconds from 0 to 3600"},
      {"--sample-rate fast " + inOut, "--sample-rate 'fast' is not a rate from 1 to 1536000 Hz"},
      {"--frobnicate " + quote(input), "unknown option '--frobnicate' (see --help)"},
      {"--show-edits " + inOut, "--show-edits needs --editor or --live"},
      {quote(input), "no output given: use -o FILE or --out-dir DIR"},
      {quote(input) + " " + inOut,
       "-o/--output takes exactly one input; use --out-dir DIR for several"},
  };
  for (const Case& c : cases) {
    auto result = run(withFixture(c.arguments));
    EXPECT_EQ(result.status, 2) << c.arguments;
    EXPECT_EQ(result.err, "quorvella-render: " + c.message + "\n") << c.arguments;
    EXPECT_EQ(result.out, "");
  }
  EXPECT_FALSE(toolstest::fileExists(output));
  EXPECT_FALSE(toolstest::fileExists(output + ".part"));
}

TEST_F(RenderToolTest, FileAndPluginErrorsExitWithOne) {
  std::string output = dir.file("never.wav");
  std::string text = dir.file("notes.txt");
  ASSERT_TRUE(toolstest::writeWav(dir.file("x.wav"), signal, 44100));
  ASSERT_TRUE(toolstest::writeFile(text, "not audio\n"));
  struct Case {
    std::string command;
    std::string message;  // start of the message after the program name
  };
  const Case cases[] = {
      {withFixture(quote(dir.file("missing.wav")) + " -o " + quote(output)),
       "cannot read input '" + dir.file("missing.wav") + "': "},
      {withFixture(quote(text) + " -o " + quote(output)), "cannot read input '" + text + "': "},
      {render("--plugin /nonexistent/q.so " + quote(input) + " -o " + quote(output)),
       "plug-in '/nonexistent/q.so' not found"},
      {render("--plugin " + quote(text) + " " + quote(input) + " -o " + quote(output)),
       "cannot load plug-in '" + text + "': "},
      {render("--plugin " + quote(QUORVELLA_FIXTURE_NOENTRY_PATH) + " " + quote(input) + " -o " +
              quote(output)),
       std::string("plug-in '") + QUORVELLA_FIXTURE_NOENTRY_PATH +
           "' exports neither VSTPluginMain nor main"},
      {"QUORVELLA_FIXTURE_REFUSE=1 " + withFixture(quote(input) + " -o " + quote(output)),
       std::string("plug-in '") + QUORVELLA_FIXTURE_PATH + "' returned no effect from VSTPluginMain"},
      {withFixture(quote(input) + " -o " + quote(dir.file("out.mp3"))),
       "cannot tell the output format of '" + dir.file("out.mp3") +
           "': use .wav, .flac, .aif or .aiff"},
      {withFixture(quote(input) + " -o " + quote(input)),
       "output '" + input + "' is the input file; refusing to overwrite it"},
  };
  for (const Case& c : cases) {
    auto result = run(c.command);
    EXPECT_EQ(result.status, 1) << c.command;
    EXPECT_EQ(result.err.rfind("quorvella-render: " + c.message, 0), 0u)
        << c.command << "\n" << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  EXPECT_FALSE(toolstest::fileExists(output));
  // The refused overwrite left the input intact.
  EXPECT_EQ(toolstest::readAudio(input), signal);
}

TEST(RenderToolHelpTest, HelpDescribesEveryOption) {
  auto result = run(render("--help"));
  ASSERT_EQ(result.status, 0);
  for (const char* option : {"--plugin", "--program", "--param", "--norm", "--block-size",
                             "--sample-rate", "--tail", "--output", "--out-dir", "--list"})
    EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

}  // namespace
