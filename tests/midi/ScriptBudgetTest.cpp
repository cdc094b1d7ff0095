// Scripts that try to keep the host inside the MIDI state: finalizers that never end, long
// work inside one library call, and many events or handlers that each use their own share.
// Each is stopped, the events left over are dropped and counted, and the instance works on.
// (How long the host waits is measured by bench/HostileScriptBenchmark.cpp, not here.)
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "ScriptTestFixture.h"
#include "lua/LuaIncludes.h"
#include "lua/ScriptLimits.h"

namespace miditest {
namespace {

using ScriptBudgetTest = ScriptTest;

bool wasStopped(const std::string& result) {
  return result.find("instruction limit reached") != std::string::npos ||
         result == "error: not enough memory";
}

TEST_F(ScriptBudgetTest, EndlessFinalizersAreStoppedInsideCollectionAndAtClose) {
  // Lua turns hooks off while a __gc metamethod runs, so these looped for ever inside
  // collectgarbage or an allocation, and inside closing the instance.
  std::string result = run(R"(
    local p = newproxy(true)
    getmetatable(p).__gc = function() while true do end end
    p = nil
    collectgarbage()
  )");
  EXPECT_TRUE(wasStopped(result)) << result;
  result = run(R"(
    getmetatable(io.stdout).__gc = function() while true do end end
    io.open('/dev/null')
    collectgarbage()
  )");
  EXPECT_TRUE(wasStopped(result)) << result;
  // From a handler on the event thread, with a finalizer left for closing.
  ASSERT_EQ(run(R"(
    seen = 0
    keep = newproxy(true)
    getmetatable(keep).__gc = function() while true do pcall(string.rep, '', 2^31 - 1) end end
    requestAllCC(function()
      local p = newproxy(keep)
      p = nil
      collectgarbage()
    end)
    requestAllCC(function() seen = seen + 1 end)
  )"), "nil");
  EventBlock block;
  block.midi(0xB0, 20, 1);
  send(block);
  EXPECT_EQ(run("return 1 + 1"), "2");
  EXPECT_EQ(stackHeight(), 0);
  effect.reset();  // returns: every finalizer is stopped in turn
  EXPECT_FALSE(effect);
}

TEST_F(ScriptBudgetTest, FullCollectionsAreChargedByTheLiveHeap) {
  // A collection walks every live object, however few instructions ask for it: a loop of
  // them over a big heap is long work that only this charge bounds. The deadlines are an
  // hour away, so only the units can stop these runs, on any machine.
  HC::ScriptLimits limits;
  lua_State* state = limits.newState();
  ASSERT_NE(state, nullptr);
  std::unique_ptr<lua_State, decltype(&lua_close)> closing(state, &lua_close);
  auto begin = [&](long units) {
    limits.begin(state, units, HC::ScriptLimits::Deadline::after(std::chrono::hours(1)));
  };
  begin(100000000);
  lua_CFunction open = [](lua_State* L) {
    luaL_openlibs(L);
    static_cast<HC::ScriptLimits*>(lua_touserdata(L, 1))->guardCollector(L);
    return 0;
  };
  ASSERT_EQ(lua_cpcall(state, open, &limits), 0);
  constexpr long kObjects = 50000;
  const std::string build =
      "heap = {} for i = 1, " + std::to_string(kObjects) + " do heap[i] = {} end";
  ASSERT_EQ(luaL_dostring(state, build.c_str()), 0);
  limits.end();

  // Room for a few collections of this heap, not for twenty.
  const long units = 1000000;
  begin(units);
  const bool failed = luaL_dostring(state,
                                    "collections = 0 "
                                    "for i = 1, 20 do collectgarbage('collect') "
                                    "collections = collections + 1 end") != 0;
  limits.end();
  const char* message = failed ? lua_tostring(state, -1) : nullptr;
  const std::string result = message ? message : "no error";
  lua_getglobal(state, "collections");
  const long collections = static_cast<long>(lua_tointeger(state, -1));
  EXPECT_NE(result.find("instruction limit reached"), std::string::npos)
      << result << " after " << collections << " collections";
  EXPECT_LE(collections, units / (kObjects * static_cast<long>(HC::ScriptLimits::kUnitsPerBlock)));
}

TEST_F(ScriptBudgetTest, LongWorkInsideOneLibraryCallIsStopped) {
  // Two 4 MB texts, each grown over several calls: legitimate work, which its work count
  // lets through (the clocks stand still here, so no deadline decides it).
  for (const char* name : {"big", "other"}) {
    const std::string text(name);
    ASSERT_EQ(run(text + " = string.rep('x', 1048576)"), "nil");
    for (int i = 0; i < 3; ++i) ASSERT_EQ(run(text + " = " + text + " .. string.rep('x', 1048576)"), "nil");
    ASSERT_EQ(run("return #" + text), "4194304");
  }
  // Big enough that one call does much, small enough that no allocation is needed.
  ASSERT_EQ(run("t, e = {}, {} for i = 1, 7900 do t[i] = i e[i] = '' end return #t + #e"), "15800");
  const char* hostile[] = {
      "string.rep('', 2^31 - 1)",
      "while true do pcall(string.rep, '', 2^31 - 1) end",
      "string.find(('a'):rep(3000), '.-.-.-b')",
      "string.find(('a'):rep(3000), ('.-.-b'):rep(20))",
      "while true do big:gsub('.', {}) end",
      "while true do local c = big < other end",
      "while true do unpack(t) end",
      "while true do table.concat(e) end",
      "while true do table.sort(t) end",
      "local s = {} for i = 1, 1e9 do s[i] = string.rep('y', 1e5) .. i end",
  };
  for (const char* code : hostile) {
    std::string result = run(code);
    EXPECT_TRUE(wasStopped(result)) << code << ": " << result;
  }
  // Ordinary use of the same functions is untouched.
  EXPECT_EQ(run("return string.rep('ab', 3, nil)"), "ababab");
  EXPECT_EQ(run("return (string.find(('a'):rep(300) .. 'b', '.-.-b'))"), "1");
  EXPECT_EQ(run("local s = {3, 1, 2} table.sort(s) return table.concat(s, ',')"), "1,2,3");
  EXPECT_EQ(run("return select('#', unpack(t))"), "7900");
  EXPECT_EQ(run("return tostring(big < other) .. tostring('a' < 'b')"), "falsetrue");
  EXPECT_EQ(stackHeight(), 0);
}

TEST_F(ScriptBudgetTest, ADeadlineStopsARunOnlyOnceBothClocksHavePassedIt) {
  // Far inside its work budget, but past many checks of the clock.
  const std::string loop = "local n = 0 for i = 1, 100000 do n = n + 1 end return n";
  ASSERT_EQ(run(loop), "100000");
  // A thread that others preempt (a busy machine): the wall clock races on, its own
  // processor time does not.
  tickClocks(1000000000, 0);
  EXPECT_EQ(run(loop), "100000");
  // Work that is slow per unit: both clocks pass the deadline by the next check.
  tickClocks(1000000000, 1000000000);
  EXPECT_TRUE(wasStopped(run(loop)));
  // The next entry has a deadline of its own.
  tickClocks(0, 0);
  EXPECT_EQ(run(loop), "100000");
  EXPECT_EQ(stackHeight(), 0);
}

TEST_F(ScriptBudgetTest, ABlockWhoseBudgetIsSpentDropsAndCountsTheRestOfItsEvents) {
  ASSERT_EQ(run(R"(
    armed, seen = true, 0
    requestAllCC(function() if armed then while true do end end end)
    requestAllCC(function() seen = seen + 1 end)
  )"), "nil");
  EventBlock block;
  for (int i = 0; i < 128; ++i) block.midi(0xB0, static_cast<uint8_t>(i), 1);
  send(block);
  // The first event always runs; the block's budget ends within the next one.
  uint64_t dropped = helper().budgetDroppedEvents();
  EXPECT_GE(dropped, 126u);
  EXPECT_LE(dropped, 127u);
  // The second handler ran for the first event unless its budget ran out by the clock.
  std::string seen = run("return seen");
  EXPECT_EQ(std::stoul(seen) + dropped, 127u) << seen;
  EXPECT_EQ(helper().droppedEvents(), 0u);  // the queue was not involved

  // The next block has a budget of its own, and every event of it arrives.
  ASSERT_EQ(run("armed = false seen = 0"), "nil");
  send(block);
  EXPECT_EQ(run("return seen"), "128");
  EXPECT_EQ(helper().budgetDroppedEvents(), dropped);
  EXPECT_EQ(stackHeight(), 0);
}

TEST_F(ScriptBudgetTest, ManyEndlessHandlersShareTheOneEventsBudget) {
  // With the built-in script's one, 4096 handlers. Each used to get a full budget of its own: one event held the
  // host for most of a minute.
  ASSERT_EQ(run(R"(
    armed, seen = true, 0
    for i = 1, 4094 do requestAllNoteOn(function() if armed then while true do end end end) end
    requestAllNoteOn(function() seen = seen + 1 end)
  )"), "nil");
  EventBlock block;
  block.midi(0x90, 60, 100).midi(0x90, 61, 100);
  send(block);
  EXPECT_EQ(helper().budgetDroppedEvents(), 1u);  // the second note; the first was begun
  EXPECT_EQ(run("return seen"), "0");             // its last handler never came
  // The same from another thread's note injection (as OSC /startNote does).
  helper().enter();
  helper().handleNoteOn(0, 62, 100);
  helper().leave();
  EXPECT_EQ(run("return seen"), "0");
  ASSERT_EQ(run("armed = false"), "nil");
  send(block);
  EXPECT_EQ(run("return seen"), "2");
  EXPECT_EQ(helper().budgetDroppedEvents(), 1u);
}

}  // namespace
}  // namespace miditest
