// MIDI scripting through the plug-in boundary: quorvella.so loaded by the test host, event
// blocks sent with effProcessEvents, values read back with getParameter, script output
// read from the process's standard streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "MIDITestSupport.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"
#include "platform/PlatformInfo.h"

namespace miditest {
namespace {

using Message = vsthost::HostedEffect::MidiMessage;

vsthost::PluginLibrary& plugin() {
  static vsthost::PluginLibrary library;
  if (!library.isOpen()) {
    EXPECT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
  }
  return library;
}

// The controller the built-in script gives each parameter.
const uint8_t kController[40] = {0,  2,  3,  4,  5,  8,  9,  11, 12, 13, 14, 15, 16, 17,
                                 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                                 32, 33, 34, 35, 36, 37, 39, 40, 41, 42, 43, 44};

class MIDIBoundary : public ::testing::Test {
protected:
  UserEnvironment user;
  std::unique_ptr<vsthost::HostedEffect> fx;

  // Creates the instance (after the test has put its user scripts in place).
  vsthost::HostedEffect& create() {
    fx.reset(new vsthost::HostedEffect(plugin()));
    EXPECT_TRUE(fx->valid()) << fx->error();
    return *fx;
  }
  std::vector<float> parameters() {
    std::vector<float> values;
    for (int32_t i = 0; i < 40; ++i) values.push_back(fx->getParameter(i));
    return values;
  }
  void controller(uint8_t cc, uint8_t value, uint8_t channel = 0) {
    fx->sendMidi({Message{static_cast<uint8_t>(0xB0 | channel), cc, value}});
  }
};

TEST_F(MIDIBoundary, BuiltInScriptMapsOneControllerToEachParameter) {
  // Parameter 39 makes the OSC server listen on the base port + its value: keep that port
  // out of the way of other tests (61000 + 100 is above the usual ephemeral ports).
  user.setBasePort(61000);
  create();
  for (int32_t i = 0; i < 40; ++i) {
    for (uint8_t value : {uint8_t{127}, uint8_t{0}}) {
      std::vector<float> before = parameters();
      controller(kController[i], value, static_cast<uint8_t>(i % 16));
      std::vector<float> after = parameters();
      EXPECT_NEAR(after[i], value ? 1.0f : 0.0f, 1e-5f) << "parameter " << i;
      after[i] = before[i];
      EXPECT_EQ(after, before) << "controller " << int(kController[i]) << " changed others";
    }
  }
}

TEST_F(MIDIBoundary, BuiltInScriptScalesByUnit) {
  create();
  controller(11, 127);  // Lowpass Cutoff, 10..1000 Hz, exponential
  EXPECT_NEAR(fx->getParameter(7), 1.0f, 1e-6f);
  controller(11, 0);
  EXPECT_NEAR(fx->getParameter(7), 0.0f, 1e-6f);
  controller(11, 64);  // half way on the exponential sweep: 10 * 10^(2 * 64/127) Hz
  EXPECT_NEAR(fx->getParameter(7), 64.0f / 127.0f, 1e-5f);
  controller(8, 64);  // Pitch Offset, -36..36: 64 is the middle
  EXPECT_FLOAT_EQ(fx->getParameter(5), 0.5f);
  controller(8, 127);
  EXPECT_FLOAT_EQ(fx->getParameter(5), 1.0f);
  controller(8, 32);
  EXPECT_FLOAT_EQ(fx->getParameter(5), 0.25f);
  controller(15, 127);  // Sync Cycles, indexed 0..8
  EXPECT_FLOAT_EQ(fx->getParameter(11), 1.0f);
  controller(15, 100);  // floor(8 * 100/127 + 0.5) = 6
  EXPECT_FLOAT_EQ(fx->getParameter(11), 0.75f);
  controller(13, 1);  // Use Filtered For Dry, boolean
  EXPECT_FLOAT_EQ(fx->getParameter(9), 1.0f);
  controller(13, 0);
  EXPECT_FLOAT_EQ(fx->getParameter(9), 0.0f);

  fx->clearCallbacks();
  controller(0, 100);
  int updates = 0;
  for (const auto& call : fx->callbacks()) updates += call.opcode == audioMasterUpdateDisplay;
  EXPECT_EQ(updates, 1);  // the script's setParameter refreshes the host's display
}

TEST_F(MIDIBoundary, ReservedControllersChangeNothing) {
  create();
  std::vector<float> before = parameters();
  for (uint8_t cc : {1, 7, 10, 64, 6, 38, 98, 99, 45, 100, 127})
    for (uint8_t channel : {0, 9, 15}) controller(cc, 127, channel), controller(cc, 3, channel);
  EXPECT_EQ(parameters(), before);
}

TEST_F(MIDIBoundary, EveryEventKindReachesScriptHandlers) {
  user.addScript("log.lua", R"(
    requestAllNoteOn(function(c, n, v) print("on", c, n, v) end)
    requestAllNoteOff(function(c, n, v) print("off", c, n, v) end)
    requestNoteOn(60, function(c, n, v) print("on60", c) end)
    requestAllPolyPressure(function(c, n, p) print("poly", c, n, p) end)
    requestCC(74, function(c, n, v) print("cc74", c, v) end)
    requestAllNRPN(function(c, n, v) print("nrpn", c, n, v) end)
    requestAllProgramChange(function(c, p) print("prog", c, p) end)
    requestChannelPressure(function(c, p) print("press", c, p) end)
    requestPitchWheel(function(c, v) print("wheel", c, v) end)
  )");
  create();
  StreamCapture err(2);
  fx->sendMidi({{0x90, 60, 100}, {0x93, 60, 0}, {0x81, 62, 40}, {0xA0, 61, 9}, {0xB5, 74, 33},
                {0xB0, 99, 1}, {0xB0, 98, 2}, {0xB0, 6, 3}, {0xB0, 38, 4}, {0xCF, 7, 0},
                {0xD2, 99, 0}, {0xE0, 0x00, 0x40}, {0xE0, 0x7F, 0x7F}, {0xF8, 0, 0},
                {0xFE, 0, 0}});
  EventBlock sysex;
  sysex.sysex();
  EXPECT_EQ(fx->dispatch(effProcessEvents, 0, 0, sysex.events()), 1);
  EXPECT_EQ(err.stop(),
            "on\t1\t60\t100\non60\t1\n"
            "off\t4\t60\t0\n"
            "off\t2\t62\t40\n"
            "poly\t1\t61\t9\n"
            "cc74\t6\t33\n"
            "nrpn\t1\t130\t384\n"
            "nrpn\t1\t130\t388\n"
            "prog\t16\t7\n"
            "press\t3\t99\n"
            "wheel\t1\t8192\n"
            "wheel\t1\t16383\n");
}

TEST_F(MIDIBoundary, RunawayHandlerIsStoppedAndTheNextBlockStillArrives) {
  user.addScript("runaway.lua", "requestNoteOn(60, function() while true do end end)\n");
  create();
  EXPECT_EQ(fx->sendMidi({{0x90, 60, 100}}), 1);
  controller(11, 127);
  EXPECT_NEAR(fx->getParameter(7), 1.0f, 1e-6f);
}

TEST_F(MIDIBoundary, UserScriptsOverrideShareAndFailSeparately) {
  user.addScript("midi.lua", "scale = 1 / 127\n");
  user.addScript("mapping.lua", "requestCC(0, function(c, n, v) setParameter(1, v * scale) end)\n");
  user.addScript("broken.lua", "setParameter('No Such Parameter', 1)\n");
  user.addScript("zz-after.lua", "requestCC(2, function(c, n, v) setParameter(2, v * scale) end)\n");
  StreamCapture out(1);
  create();
  // Lua shortens long chunk names from the front ("...older/broken.lua").
  std::string log = out.stop();
  EXPECT_EQ(log.rfind("@@@ failed to run file: ", 0), 0u) << log;
  EXPECT_NE(log.find(std::string("Scripts") + platform::kPathSeparator +
                     "broken.lua:1: parameter not found: 'No Such Parameter'\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  std::vector<float> before = parameters();
  controller(0, 127);  // the user's mapping: Wet Level, not the built-in Dry Level
  EXPECT_EQ(fx->getParameter(0), before[0]);
  EXPECT_FLOAT_EQ(fx->getParameter(1), 1.0f);
  controller(2, 64);  // the script after the broken one was loaded
  EXPECT_FLOAT_EQ(fx->getParameter(2), 64.0f / 127.0f);
  controller(11, 127);  // no built-in mapping
  EXPECT_EQ(fx->getParameter(7), before[7]);
}

// The worked example of docs/midi-scripting.md, taken from the page itself.
TEST_F(MIDIBoundary, DocumentedExampleScriptWorks) {
  std::string page = readFile(std::string(QUORVELLA_SOURCE_DIR) + "/docs/midi-scripting.md");
  size_t start = page.find("```lua\n-- keys.lua");
  ASSERT_NE(start, std::string::npos);
  start += 7;
  size_t end = page.find("```", start);
  user.addScript("keys.lua", page.substr(start, end - start));
  StreamCapture err(2);
  create();
  EXPECT_EQ(err.stop(), "keys.lua loaded; Osc Pitch is parameter\t18\n");

  fx->sendMidi({{0x90, 60, 100}});
  EXPECT_FLOAT_EQ(fx->getParameter(18), 60.0f / 127.0f);
  fx->sendMidi({{0x91, 64, 100}, {0x81, 64, 0}});
  EXPECT_FLOAT_EQ(fx->getParameter(18), 60.0f / 127.0f);
  fx->sendMidi({{0x90, 60, 0}});
  EXPECT_FLOAT_EQ(fx->getParameter(18), 0.0f);
  fx->sendMidi({{0xB0, 1, 127}});
  EXPECT_NEAR(fx->getParameter(25), 1.0f, 1e-5f);
  fx->sendMidi({{0xB0, 99, 0}, {0xB0, 98, 1}, {0xB0, 6, 127}, {0xB0, 38, 127}});
  EXPECT_NEAR(fx->getParameter(26), 1.0f, 1e-5f);
  controller(29, 127);  // the built-in mapping is still there
  EXPECT_NEAR(fx->getParameter(25), 1.0f, 1e-5f);
}

}  // namespace
}  // namespace miditest
