// quorvella-standalone as a user's JACK setup sees it: each case starts its own JACK server
// (dummy driver, a private name) and the application as a child process, and talks to it
// through JACK clients of its own, its state file and its messages.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "dsp/QuorvellaParameters.h"
#include "dsp/QuorvellaSignalPath.h"
#include "effect/HvcQuorvella.h"
#include "standalone/JackTestClient.h"
#include "standalone/PrivateJackServer.h"
#include "support/TestFiles.h"
#include "support/UserEnvironment.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tools/ChildProcess.h"

namespace {

using standalonetest::JackTestClient;
using standalonetest::PrivateJackServer;
using toolstest::ChildProcess;

constexpr uint32_t kPeriod = 128;
// Generous: a loaded machine only makes a wait longer, never a case fail.
constexpr auto kPatience = std::chrono::seconds(60);

ChildProcess::Clock::time_point deadline() { return ChildProcess::Clock::now() + kPatience; }

using testsupport::readFile;

std::string statePathOf(const testsupport::UserEnvironment& user, const std::string& name) {
  return user.configHome() + "/Halvercast/Quorvella/Standalone/" + name + ".state";
}

// The application with a private user (state under its configuration folder).
class Application {
 public:
  Application(const testsupport::UserEnvironment& user, const std::string& server,
              const std::string& name, std::vector<std::string> extra, bool gui = false)
      : user_(user), name_(name), errors_(user.dataHome() + "/" + name + ".stderr") {
    std::vector<std::string> args = {QUORVELLA_STANDALONE_PATH, "--server", server, "--name",
                                     name, "--verbose"};
    if (!gui) args.push_back("--no-gui");
    args.insert(args.end(), extra.begin(), extra.end());
    std::string error;
    started_ = process_.start(args, {}, errors_, error);
    EXPECT_TRUE(started_) << error;
  }

  // The frame time of the first period it processed, from its report.
  bool firstFrameTime(jack_nframes_t& frameTime) {
    std::string line;
    const std::string marker = "first period processed at frame time ";
    while (process_.readLine(line, deadline())) {
      const size_t at = line.find(marker);
      if (at == std::string::npos) continue;
      frameTime = static_cast<jack_nframes_t>(std::stoull(line.substr(at + marker.size())));
      return true;
    }
    return false;
  }

  // SIGTERM (or nothing, when it should end by itself) and its exit status; -1 when it
  // did not end.
  int terminate() {
    ::kill(process_.pid(), SIGTERM);
    return wait();
  }
  int wait() {
    int status = -1;
    if (!process_.waitUntil(deadline(), status)) process_.kill();
    return status;
  }
  std::string errors() const { return readFile(errors_); }
  std::string state() const { return readFile(statePathOf(user_, name_)); }

 private:
  const testsupport::UserEnvironment& user_;
  std::string name_;
  std::string errors_;
  ChildProcess process_;
  bool started_ = false;
};

bool waitForPort(jack_client_t* client, const std::string& name) {
  const auto end = deadline();
  while (ChildProcess::Clock::now() < end) {
    if (jack_port_by_name(client, name.c_str())) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A bass-like test signal: notes of a decaying sawtooth, different on the two channels.
std::vector<float> bassLine(size_t frames, float rate, float detune) {
  std::vector<float> out(frames);
  const float notes[] = {55.0f, 82.41f, 73.42f, 61.74f};
  const size_t noteLength = static_cast<size_t>(rate * 0.25f);
  double phase = 0.0;
  for (size_t n = 0; n < frames; ++n) {
    const float f = notes[(n / noteLength) % 4] * detune;
    phase += f / rate;
    phase -= std::floor(phase);
    const float decay = std::exp(-3.0f * static_cast<float>(n % noteLength) / rate);
    out[n] = 0.6f * decay * static_cast<float>(2.0 * phase - 1.0);
  }
  return out;
}

std::string lineAfter(const std::string& text, const std::string& start) {
  const size_t at = text.find(start);
  if (at == std::string::npos) return {};
  const size_t from = at + start.size();
  return text.substr(from, text.find('\n', from) - from);
}

int32_t programNamed(const HvcQuorvella& product, const std::string& name) {
  for (int32_t p = 0; p < HvcQuorvella::kNumPrograms; ++p)
    if (name == product.program(p)->getName()) return p;
  ADD_FAILURE() << "no program " << name;
  return 0;
}

struct RenderCase {
  uint32_t rate;
  const char* program;
};

class StandaloneRender : public testing::TestWithParam<RenderCase> {};

// The ports, their latency and the samples: what comes out equals the offline render of the
// same input, sample for sample, with the input's start lookAhead samples before the
// output's.
TEST_P(StandaloneRender, PortsLatencyAndSamplesMatchTheOfflineRender) {
  const RenderCase c = GetParam();
  PrivateJackServer server(c.rate, kPeriod);
  ASSERT_TRUE(server.ok()) << server.error();
  testsupport::UserEnvironment user;
  Application app(user, server.name(), "Quorvella", {"--program", c.program});
  JackTestClient player(server.name(), "player", JackTestClient::Role::kPlayer);
  JackTestClient recorder(server.name(), "recorder", JackTestClient::Role::kRecorder);
  ASSERT_TRUE(player.ok() && recorder.ok()) << player.error() << recorder.error();
  jack_client_t* jack = player.client();
  ASSERT_TRUE(waitForPort(jack, "Quorvella:MIDI In")) << "the application said:\n"
                                                      << app.errors();

  const int32_t lookAhead = QuorvellaSignalPath::latencyFor(static_cast<float>(c.rate));
  const char* audio[] = {"Quorvella:Input L", "Quorvella:Input R", "Quorvella:Output L",
                         "Quorvella:Output R"};
  for (const char* name : audio) {
    jack_port_t* port = jack_port_by_name(jack, name);
    ASSERT_NE(port, nullptr) << name;
    EXPECT_STREQ(jack_port_type(port), JACK_DEFAULT_AUDIO_TYPE) << name;
  }
  jack_port_t* midi = jack_port_by_name(jack, "Quorvella:MIDI In");
  EXPECT_STREQ(jack_port_type(midi), JACK_DEFAULT_MIDI_TYPE);
  EXPECT_TRUE(jack_port_flags(midi) & JackPortIsInput);

  jack_nframes_t first = 0;
  ASSERT_TRUE(app.firstFrameTime(first));
  for (int ch = 0; ch < 2; ++ch) {
    ASSERT_EQ(jack_connect(jack, player.audioPort(ch).c_str(), audio[ch]), 0);
    ASSERT_EQ(jack_connect(jack, audio[2 + ch], recorder.audioPort(ch).c_str()), 0);
  }
  // Nothing upstream adds delay here, so each side reports exactly the look-ahead.
  jack_recompute_total_latencies(jack);
  jack_latency_range_t range;
  jack_port_get_latency_range(jack_port_by_name(jack, audio[2]), JackCaptureLatency, &range);
  EXPECT_EQ(range.min, static_cast<jack_nframes_t>(lookAhead));
  EXPECT_EQ(range.max, static_cast<jack_nframes_t>(lookAhead));
  jack_port_get_latency_range(jack_port_by_name(jack, audio[0]), JackPlaybackLatency, &range);
  EXPECT_EQ(range.min, static_cast<jack_nframes_t>(lookAhead));

  const size_t length = c.rate;  // one second
  const jack_nframes_t start = player.frameTime() + c.rate / 4;
  recorder.record(c.rate / 2 + length + static_cast<size_t>(lookAhead) + 4 * kPeriod);
  player.play(bassLine(length, static_cast<float>(c.rate), 1.0f),
              bassLine(length, static_cast<float>(c.rate), 1.5f), start);
  const auto end = deadline();
  while (!recorder.recorded() && ChildProcess::Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(recorder.recorded() && player.done());
  const jack_nframes_t recordStart = recorder.recordStart();
  ASSERT_LE(static_cast<int32_t>(first - recordStart), 0) << "the recording began too early";
  ASSERT_LE(static_cast<int32_t>(recordStart - start), 0) << "the recording began too late";

  // The offline render: the product from the application's first period on, in periods.
  HvcQuorvella product(nullptr);
  product.setSampleRate(static_cast<float>(c.rate));
  product.setBlockSize(kPeriod);
  product.resume();
  product.setProgram(programNamed(product, c.program));
  const std::vector<float> in[2] = {bassLine(length, static_cast<float>(c.rate), 1.0f),
                                    bassLine(length, static_cast<float>(c.rate), 1.5f)};
  const size_t total = (recordStart - first) + recorder.recording(0).size();
  std::vector<float> expected[2] = {std::vector<float>(total + kPeriod),
                                    std::vector<float>(total + kPeriod)};
  std::vector<float> block[4];
  for (auto& b : block) b.resize(kPeriod);
  for (size_t at = 0; at < total; at += kPeriod) {
    for (int ch = 0; ch < 2; ++ch)
      for (size_t n = 0; n < kPeriod; ++n) {
        const int64_t index = static_cast<int32_t>(first + at + n - start);
        block[ch][n] = index >= 0 && static_cast<size_t>(index) < length ? in[ch][index] : 0.0f;
      }
    float* ins[2] = {block[0].data(), block[1].data()};
    float* outs[2] = {block[2].data(), block[3].data()};
    product.processReplacing(ins, outs, kPeriod);
    for (int ch = 0; ch < 2; ++ch)
      std::copy(block[2 + ch].begin(), block[2 + ch].end(), expected[ch].begin() + at);
  }
  const size_t offset = recordStart - first;
  for (int ch = 0; ch < 2; ++ch) {
    const std::vector<float>& got = recorder.recording(ch);
    size_t differing = 0, firstDifference = 0;
    for (size_t n = 0; n < got.size(); ++n)
      if (std::memcmp(&got[n], &expected[ch][offset + n], sizeof(float)) != 0 && differing++ == 0)
        firstDifference = n;
    EXPECT_EQ(differing, 0u) << "channel " << ch << ", first at " << firstDifference;
    if (std::string(c.program) != "Defaults") continue;
    // "Defaults" replays each cycle as it came: the input, delayed by exactly the latency
    // the ports report.
    size_t delayed = 0;
    for (size_t n = 0; n < got.size(); ++n) {
      const int64_t index = static_cast<int64_t>(static_cast<int32_t>(recordStart + n - start)) -
                            lookAhead;
      const float input = index >= 0 && static_cast<size_t>(index) < length ? in[ch][index] : 0.0f;
      delayed += got[n] == input;
    }
    EXPECT_EQ(delayed, got.size()) << "channel " << ch;
  }
  EXPECT_EQ(app.terminate(), 0) << app.errors();
}

INSTANTIATE_TEST_SUITE_P(RatesAndPrograms, StandaloneRender,
                         testing::Values(RenderCase{44100, "Defaults"},
                                         RenderCase{48000, "Madness"}),
                         [](const testing::TestParamInfo<RenderCase>& info) {
                           return std::to_string(info.param.rate);
                         });

}  // namespace

namespace {

// Waits until client has processed `count` more periods.
bool waitPeriods(const JackTestClient& client, uint64_t count) {
  const uint64_t target = client.periods() + count;
  const auto end = deadline();
  while (client.periods() < target && ChildProcess::Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return client.periods() >= target;
}

class Standalone : public testing::Test {
 protected:
  Standalone() : server(44100, kPeriod) {}
  PrivateJackServer server;
  testsupport::UserEnvironment user;
};

// --connect wires the audio ports to the first physical ones. The built-in MIDI script maps
// controller 0 to "Dry Level": a controller through the MIDI port reaches the program, which
// the state saved at quit shows.
TEST_F(Standalone, ConnectsToTheSystemAndAMIDIControllerMovesItsParameter) {
  ASSERT_TRUE(server.ok()) << server.error();
  Application app(user, server.name(), "Quorvella", {"--connect"});
  JackTestClient player(server.name(), "player", JackTestClient::Role::kPlayer);
  ASSERT_TRUE(player.ok()) << player.error();
  jack_nframes_t first = 0;
  ASSERT_TRUE(app.firstFrameTime(first));
  const char* wiring[][2] = {{"Quorvella:Input L", "system:capture_1"},
                             {"Quorvella:Input R", "system:capture_2"},
                             {"Quorvella:Output L", "system:playback_1"},
                             {"Quorvella:Output R", "system:playback_2"}};
  // Another client sees a connection once the server has switched to the new graph, a
  // period or so after it was made: wait for it, as long as the other waits.
  auto connected = [](jack_port_t* port, const char* other) {
    const auto end = deadline();
    while (!jack_port_connected_to(port, other) && ChildProcess::Clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return jack_port_connected_to(port, other) != 0;
  };
  for (const auto& pair : wiring) {
    jack_port_t* port = jack_port_by_name(player.client(), pair[0]);
    ASSERT_NE(port, nullptr) << pair[0];
    EXPECT_TRUE(connected(port, pair[1])) << pair[0] << " - " << pair[1] << "\n" << app.errors();
  }
  ASSERT_EQ(jack_connect(player.client(), player.midiPort().c_str(), "Quorvella:MIDI In"), 0);
  // The message must go out in a period that already has the new connection.
  ASSERT_TRUE(waitPeriods(player, 2));
  player.sendMIDI(0xB0, 0, 127);
  const auto end = deadline();
  while (!player.done() && ChildProcess::Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(player.done() && waitPeriods(player, 4));
  ASSERT_EQ(app.terminate(), 0) << app.errors();
  const std::string state = app.state();
  const std::string defaults = state.substr(state.find("program Defaults"));
  EXPECT_EQ(lineAfter(defaults, "\nDry Level="), "1") << state.substr(0, 300);
}

// A quit by SIGTERM saves the programs and which one is current; the next start restores
// them, names and values included.
TEST_F(Standalone, StateSavedAtAQuitBySignalIsWhereTheNextStartBegins) {
  ASSERT_TRUE(server.ok()) << server.error();
  const std::string path = statePathOf(user, "Keys");
  jack_nframes_t first = 0;
  {
    Application app(user, server.name(), "Keys", {"--program", "7"});
    ASSERT_TRUE(app.firstFrameTime(first));
    ASSERT_EQ(app.terminate(), 0) << app.errors();
  }
  std::string state = readFile(path);
  ASSERT_EQ(lineAfter(state, "current "), "7");
  // As a user might: rename a program and change a value in the file between runs.
  const size_t ring = state.find("program Ring Mod");
  ASSERT_NE(ring, std::string::npos);
  const size_t dry = state.find("\nDry Level=", ring) + 1;
  state.replace(dry, state.find('\n', dry) - dry, "Dry Level=0.25");
  state.replace(ring, 16, "program My Ring");
  ASSERT_TRUE(testsupport::writeFile(path, state));

  Application app(user, server.name(), "Keys", {});
  ASSERT_TRUE(app.firstFrameTime(first));
  ASSERT_EQ(app.terminate(), 0) << app.errors();
  const std::string saved = readFile(path);
  EXPECT_EQ(lineAfter(saved, "current "), "7");
  const size_t mine = saved.find("program My Ring");
  ASSERT_NE(mine, std::string::npos) << saved.substr(0, 200);
  EXPECT_EQ(lineAfter(saved.substr(mine), "\nDry Level="), "0.25");
}

// A damaged state file costs a message and the factory programs, never the start; the file
// is kept aside for the user.
TEST_F(Standalone, ADamagedStateGivesAMessageAndTheFactoryPrograms) {
  ASSERT_TRUE(server.ok()) << server.error();
  const std::string path = statePathOf(user, "Quorvella");
  const std::string damaged = "Quorvella state 1\ncurrent 4\nprogram Defaults\nDry Level=loud\n";
  testsupport::makeFolders(path.substr(0, path.rfind('/')));
  testsupport::writeFile(path, damaged);
  Application app(user, server.name(), "Quorvella", {});
  jack_nframes_t first = 0;
  ASSERT_TRUE(app.firstFrameTime(first));
  ASSERT_EQ(app.terminate(), 0);
  EXPECT_NE(app.errors().find("the saved state " + path + " is damaged (line 4: not a number); "
                              "starting from the factory programs, the file is kept as " +
                              path + ".damaged"),
            std::string::npos)
      << app.errors();
  EXPECT_EQ(readFile(path + ".damaged"), damaged);
  const std::string saved = app.state();
  EXPECT_EQ(lineAfter(saved, "current "), "0");
  EXPECT_NE(saved.find("program Madness"), std::string::npos);
}

// The server going away ends the application with a message and a failure status; with no
// server at all it says so and does not start.
TEST_F(Standalone, NoServerOrAVanishingOneEndsWithAMessage) {
  ASSERT_TRUE(server.ok()) << server.error();
  Application app(user, server.name(), "Quorvella", {});
  jack_nframes_t first = 0;
  ASSERT_TRUE(app.firstFrameTime(first));
  server.stop();
  EXPECT_EQ(app.wait(), 1);
  EXPECT_NE(app.errors().find("quorvella-standalone: the JACK server went away"),
            std::string::npos)
      << app.errors();

  Application alone(user, server.name(), "Quorvella", {});
  EXPECT_EQ(alone.wait(), 3);
  EXPECT_NE(alone.errors().find("quorvella-standalone: no JACK server is running"),
            std::string::npos)
      << alone.errors();
}

// A new period size reaches the product before the first period of that size: "Defaults"
// still passes the input through, delayed by the look-ahead, sample for sample.
TEST_F(Standalone, FollowsAChangeOfThePeriodSize) {
  ASSERT_TRUE(server.ok()) << server.error();
  Application app(user, server.name(), "Quorvella", {"--program", "Defaults"});
  JackTestClient player(server.name(), "player", JackTestClient::Role::kPlayer);
  JackTestClient recorder(server.name(), "recorder", JackTestClient::Role::kRecorder);
  ASSERT_TRUE(player.ok() && recorder.ok()) << player.error() << recorder.error();
  jack_nframes_t first = 0;
  ASSERT_TRUE(app.firstFrameTime(first));
  jack_client_t* jack = player.client();
  ASSERT_EQ(jack_set_buffer_size(jack, 4 * kPeriod), 0);
  ASSERT_TRUE(waitPeriods(player, 2));
  ASSERT_EQ(jack_get_buffer_size(jack), 4 * kPeriod);
  const char* inputs[] = {"Quorvella:Input L", "Quorvella:Input R"};
  const char* outputs[] = {"Quorvella:Output L", "Quorvella:Output R"};
  for (int ch = 0; ch < 2; ++ch) {
    ASSERT_EQ(jack_connect(jack, player.audioPort(ch).c_str(), inputs[ch]), 0);
    ASSERT_EQ(jack_connect(jack, outputs[ch], recorder.audioPort(ch).c_str()), 0);
  }
  const int32_t lookAhead = QuorvellaSignalPath::latencyFor(44100.0f);
  const size_t length = 22050;
  const std::vector<float> signal = bassLine(length, 44100.0f, 1.0f);
  const jack_nframes_t start = player.frameTime() + 11025;
  recorder.record(11025 + length + static_cast<size_t>(lookAhead) + 8 * kPeriod);
  player.play(signal, signal, start);
  const auto end = deadline();
  while (!recorder.recorded() && ChildProcess::Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(recorder.recorded());
  const std::vector<float>& got = recorder.recording(0);
  size_t delayed = 0, sounding = 0;
  for (size_t n = 0; n < got.size(); ++n) {
    const int64_t index =
        static_cast<int64_t>(static_cast<int32_t>(recorder.recordStart() + n - start)) - lookAhead;
    const float input = index >= 0 && static_cast<size_t>(index) < length ? signal[index] : 0.0f;
    delayed += got[n] == input;
    sounding += got[n] != 0.0f;
  }
  EXPECT_EQ(delayed, got.size());
  EXPECT_GT(sounding, length / 2);
  EXPECT_EQ(app.terminate(), 0) << app.errors();
}

// The window: the editor under a strip that names the current program; the strip's arrow
// steps to the next program, and closing the window quits (saving the state).
TEST_F(Standalone, TheWindowShowsTheEditorUnderAStripThatStepsThePrograms) {
  ASSERT_TRUE(server.ok()) << server.error();
  testsupport::XvfbDisplay& display = testsupport::XvfbDisplay::shared();
  ASSERT_TRUE(display.ok()) << display.error();
  Application app(user, server.name(), "Strip", {"--program", "3"}, true);
  jack_nframes_t first = 0;
  ASSERT_TRUE(app.firstFrameTime(first)) << app.errors();
  testsupport::XTestDriver x;
  ASSERT_TRUE(x.ok());
  uintptr_t window = 0;
  const auto end = deadline();
  while (!(window = x.findWindow("Quorvella - Strip")) && ChildProcess::Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_NE(window, 0u);

  const testsupport::Pixel background{0x26, 0x28, 0x2c};
  constexpr int kStrip = 28;
  // Ink of the strip's text, and of the editor's drawing below it (made by the editor's own
  // thread, so waited for).
  auto stripInk = [&](const testsupport::Image& image) {
    const int area = (image.width / 2 - 28) * kStrip;
    return area - image.count(background, 28, 0, image.width / 2, kStrip);
  };
  testsupport::Image before;
  bool drawn = false;
  while (!drawn && ChildProcess::Clock::now() < end) {
    ASSERT_TRUE(x.screenshot(window, before));
    const int below = before.width * (before.height - kStrip);
    drawn = stripInk(before) > 20 &&
            before.count(background, 0, kStrip, before.width, before.height) < below / 2;
    if (!drawn) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(drawn) << "strip ink " << stripInk(before);

  x.movePointer(window, before.width - 14, kStrip / 2);
  x.pressButton(1);
  x.releaseButton(1);
  testsupport::Image after;
  bool changed = false;
  while (!changed && ChildProcess::Clock::now() < end) {
    ASSERT_TRUE(x.screenshot(window, after));
    for (int y = 0; y < kStrip && !changed; ++y)
      for (int px = 28; px < after.width / 2 && !changed; ++px)
        changed = std::memcmp(&after.rgb[(y * after.width + px) * 3],
                              &before.rgb[(y * before.width + px) * 3], 3) != 0;
    if (!changed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(changed) << "the strip did not show another program";

  x.closeWindow(window);
  EXPECT_EQ(app.wait(), 0) << app.errors();
  EXPECT_EQ(lineAfter(app.state(), "current "), "4");
}

}  // namespace
