// The built-in script and the user's scripts folder: the override rule, the shared state,
// failure reports on the console log, and the OSC base port preference read at creation.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "ScriptTestFixture.h"
#include "dsp/QuorvellaParameters.h"
#include "framework/CFString.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"

namespace miditest {
namespace {

using UserScriptsTest = ScriptTest;

// Sends one controller message on channel 1 and reads the parameter back.
float afterController(HvcQuorvella& effect, int32_t index, uint8_t cc, uint8_t value) {
  EventBlock block;
  block.midi(0xB0, cc, value);
  effect.processEvents(block.list());
  return effect.getPlainValue(index);
}

TEST_F(UserScriptsTest, BuiltInScriptRunsWithoutUserScripts) {
  fx().setPlainValue(kDryLevel, 0.5f);
  EXPECT_EQ(afterController(fx(), kDryLevel, 0, 127), 1.0f);
  EXPECT_EQ(run("return ccMap[44]"), "39");
  EXPECT_EQ(run("return ccScale * 127"), "1");
}

TEST_F(UserScriptsTest, AUserMidiLuaReplacesTheBuiltInScript) {
  user.addScript("midi.lua", "replaced = true\n");
  fx().setPlainValue(kDryLevel, 0.5f);
  EXPECT_EQ(afterController(fx(), kDryLevel, 0, 127), 0.5f);
  EXPECT_EQ(run("return replaced"), "true");
  EXPECT_EQ(run("return ccMap"), "nil");
}

TEST_F(UserScriptsTest, AnyNameStartingWithMidiLuaReplacesIt) {
  user.addScript("midi.lua.lua", "requestCC(0, function(c, n, v) setParameter(0, v) end)\n");
  fx();
  EXPECT_EQ(afterController(fx(), kDryLevel, 0, 64), 64.0f);
  EXPECT_EQ(run("return ccMap"), "nil");
}

TEST_F(UserScriptsTest, OtherNamesRunAfterTheBuiltInScriptAndCanChangeItsMap) {
  user.addScript("my-midi.lua", "ccMap[74] = ccMap[0]; ccMap[0] = nil\n");
  user.addScript("notes.txt", "this is not a script");
  fx().setPlainValue(kDryLevel, 0.5f);
  EXPECT_EQ(afterController(fx(), kDryLevel, 0, 127), 0.5f);
  EXPECT_EQ(afterController(fx(), kDryLevel, 74, 0), 0.0f);
}

TEST_F(UserScriptsTest, ScriptsRunInNameOrderAndShareGlobals) {
  user.addScript("b.lua", "order = order .. 'b'; computed = shared * 2\n");
  user.addScript("a.lua", "order = 'a'; shared = 0.25\n");
  user.addScript("c.lua", "order = order .. 'c'\n"
                          "requestCC(90, function(c, n, v) setParameter(1, computed) end)\n");
  fx();
  EXPECT_EQ(run("return order"), "abc");
  EXPECT_EQ(afterController(fx(), kWetLevel, 90, 1), 0.5f);
}

TEST_F(UserScriptsTest, FailingScriptsAreReportedAndTheNextOneStillRuns) {
  user.addScript("1-syntax.lua", "this is not lua\n");
  user.addScript("2-error.lua", "error('broken on purpose')\n");
  user.addScript("3-loop.lua", "while true do end\n");
  user.addScript("4-good.lua", "good = true\n");
  StreamCapture out(1);
  fx();
  std::string log = out.stop();
  // One report per failing file, in order; Lua shortens long chunk names from the front.
  const char* expected[] = {
      "Scripts/1-syntax.lua:1: '=' expected near 'is'",
      "Scripts/2-error.lua:1: broken on purpose",
      "Scripts/3-loop.lua:1: script stopped: instruction limit reached (endless loop?)",
  };
  size_t at = 0;
  for (const char* report : expected) {
    size_t start = log.find("@@@ failed to run file: ", at);
    ASSERT_EQ(start, at) << log;
    size_t end = log.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    std::string line = log.substr(start, end - start);
    EXPECT_EQ(line.substr(line.size() - std::string(report).size()), report) << line;
    at = end + 1;
  }
  EXPECT_EQ(at, log.size()) << log;
  EXPECT_EQ(run("return good"), "true");
  // The built-in script was not disturbed by the failures.
  EXPECT_EQ(run("return ccMap[0]"), "0");
}

TEST_F(UserScriptsTest, UnreadableScriptFilesAreLeftOut) {
  user.addScript("a.lua", "seen = (seen or '') .. 'a'\n");
  mkdir((user.scriptsFolder() + "folder.lua").c_str(), 0755);
  ASSERT_EQ(symlink("/nonexistent/x.lua", (user.scriptsFolder() + "dangling.lua").c_str()), 0);
  StreamCapture out(1);
  fx();
  EXPECT_EQ(out.stop(), "");  // nothing failed: the odd entries were never tried
  EXPECT_EQ(run("return seen"), "a");
}

TEST_F(UserScriptsTest, OSCBasePortIsReadWhenTheEffectIsCreated) {
  fx();
  EXPECT_EQ(HvcQuorvella::getOSCBasePort(), 7000);
  Settings::writeNumber(CFString::constant(kPreferenceOSCBasePort), 9100);
  effect.reset(new HvcQuorvella(&host));
  EXPECT_EQ(HvcQuorvella::getOSCBasePort(), 9100);
}

}  // namespace
}  // namespace miditest
