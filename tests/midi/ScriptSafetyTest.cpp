// Ways a script could slip past the instruction budget and hang the thread it runs on.
#include <gtest/gtest.h>

#include <string>

#include "ScriptTestFixture.h"

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

  // The same from a handler on the event thread: it is stopped and later events arrive.
  ASSERT_EQ(run(R"(
    seen = 0
    requestAllCC(function() pcall(debug.sethook) while true do end end)
    requestAllCC(function() seen = seen + 1 end)
  )"), "nil");
  EventBlock block;
  block.midi(0xB0, 20, 1).midi(0xB0, 20, 2);
  send(block);
  EXPECT_EQ(run("return seen"), "2");
  EXPECT_EQ(stackHeight(), 0);
  // Reading the hook stays possible.
  EXPECT_EQ(run("return type(debug.gethook)"), "function");
}

}  // namespace
}  // namespace miditest
