// Scripts and script files the MIDI host must survive or read correctly: ways past the
// instruction budget, patterns too deep for the matcher, endless handler requests, and
// file names in the override rule.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "ScriptTestFixture.h"
#include "midi/MIDIHandlerTables.h"

namespace miditest {
namespace {

using ScriptSafetyTest = ScriptTest;

TEST_F(ScriptSafetyTest, DebugSetHookCannotRemoveTheInstructionBudget) {
  // Without the guard, a script removes the count hook and the loop below never ends.
  ASSERT_EQ(run("debug.sethook()"),
            "error: test:1: debug.sethook is not available inside a plug-in");
  ASSERT_EQ(run("debug.sethook(function() end, 'l')"),
            "error: test:1: debug.sethook is not available inside a plug-in");
  std::string stopped = run("pcall(debug.sethook) while true do end");
  EXPECT_NE(stopped.find("instruction limit reached"), std::string::npos) << stopped;

  // The same from a handler on the event thread: it is stopped and later blocks arrive.
  ASSERT_EQ(run(R"(
    armed, entered, seen = true, 0, 0
    requestAllCC(function()
      if armed then entered = entered + 1 pcall(debug.sethook) while true do end end
    end)
    requestAllCC(function() seen = seen + 1 end)
  )"), "nil");
  EventBlock block;
  block.midi(0xB0, 20, 1);
  send(block);
  EXPECT_EQ(run("return entered"), "1");
  ASSERT_EQ(run("armed = false seen = 0"), "nil");
  block.midi(0xB0, 20, 2);
  send(block);
  EXPECT_EQ(run("return seen"), "2");
  EXPECT_EQ(stackHeight(), 0);
  // Reading the hook stays possible.
  EXPECT_EQ(run("return type(debug.gethook)"), "function");
}

TEST_F(ScriptSafetyTest, PatternsTooDeepForTheMatcherAreRefusedInsteadOfCrashing) {
  // Lua 5.1's matcher recurses once per quantifier or capture: a long enough pattern ran
  // off the end of the thread's stack (an audio thread's is small) and ended the host.
  const std::string tooComplex = "error: test:1: pattern too complex";
  EXPECT_EQ(run("return string.find(string.rep('a', 300), string.rep('a?', 201))"), tooComplex);
  EXPECT_EQ(run("return string.find(string.rep('a', 200000), string.rep('a?', 200000))"), tooComplex);
  EXPECT_EQ(run("return (string.rep('a', 300)):match(string.rep('(a)', 101))"), tooComplex);
  EXPECT_EQ(run("return string.gsub('abc', string.rep('b*', 201), '')"), tooComplex);
  EXPECT_EQ(run("return string.gmatch('abc', string.rep('b-', 201))"), tooComplex);
  EXPECT_EQ(run("return string.gfind('abc', string.rep('b+', 201))"), tooComplex);

  // Up to the limit, plain searches and escaped characters are as before.
  EXPECT_EQ(run("return string.find(string.rep('a', 300), string.rep('a?', 200))"), "1");
  EXPECT_EQ(run("return string.find(string.rep('-', 300) .. 'x', string.rep('-', 300) .. 'x', 1, true)"),
            "1");
  EXPECT_EQ(run("return string.find(string.rep('-', 300) .. 'x', string.rep('%-', 300) .. 'x')"), "1");
  EXPECT_EQ(run("return string.gsub('hello world', '(%w+)', '<%1>')"), "<hello> <world>");
  EXPECT_EQ(run("local t = {} for w in ('a b c'):gmatch('%a') do t[#t+1] = w end return table.concat(t)"),
            "abc");

  // Argument and pattern errors read as they always did.
  EXPECT_EQ(run("return string.find(nil, 'a')"),
            "error: test:1: bad argument #1 to 'find' (string expected, got nil)");
  EXPECT_EQ(run("return ('x'):find()"),
            "error: test:1: bad argument #1 to 'find' (string expected, got no value)");
  EXPECT_EQ(run("return string.gsub('abc', 'b', true)"),
            "error: test:1: bad argument #3 to 'gsub' (string/function/table expected)");
  EXPECT_EQ(run("return string.match('abc', '%')"), "error: test:1: malformed pattern (ends with '%')");
  EXPECT_EQ(stackHeight(), 0);
}

TEST_F(ScriptSafetyTest, HandlerReferencesAreLimitedSoASelfRegisteringHandlerEnds) {
  // A handler that requests itself again is called again for the same event (the list is
  // walked against its current length). Without a limit the walk went on until the script
  // memory ran out, after which every event took minutes: the audio thread hung.
  user.addScript("midi.lua", "calls = 0\n");
  const std::string limit = std::to_string(HC::MIDIHandlerTables::kMaxReferences);
  ASSERT_EQ(run("for i = 1, " + limit + " do requestAllNoteOn(print) end return 'all stored'"),
            "all stored");
  ASSERT_EQ(run("requestAllNoteOff(print)"),
            "error: test:1: too many MIDI handlers (at most " + limit + ")");
  ASSERT_EQ(run("requestNoteOff(60, print)"),
            "error: test:1: too many MIDI handlers (at most " + limit + ")");
  effect.reset();

  user.addScript("midi.lua", R"(
    calls = 0
    local function again() calls = calls + 1; requestAllCC(again) end
    requestAllCC(again)
  )");
  auto start = std::chrono::steady_clock::now();
  EventBlock block;
  block.midi(0xB0, 20, 1);
  send(block);
  EXPECT_EQ(run("return calls"), limit);
  send(block);  // every stored handler once more, each failing to add another
  EXPECT_EQ(run("return calls"), std::to_string(2 * HC::MIDIHandlerTables::kMaxReferences));
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(stackHeight(), 0);
}

#ifndef _WIN32  // a backslash separates folders on Windows
TEST_F(ScriptSafetyTest, ABackslashIsPartOfALinuxFileNameForTheOverrideRule) {
  // Only the text after the last path separator is the file name; on Linux a backslash is
  // an ordinary character, so "a\\midi.lua" does not replace the built-in script.
  user.addScript("a\\midi.lua", "ran = true\n");
  fx();
  EXPECT_EQ(run("return ran"), "true");
  EXPECT_EQ(run("return ccMap[0]"), "0");
}
#endif

}  // namespace
}  // namespace miditest
