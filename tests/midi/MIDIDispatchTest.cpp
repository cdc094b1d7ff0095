// Decoding of event blocks and calls of the script handlers: every channel message kind,
// the channel + 1 convention, keyed handlers, NRPN assembly, handlers added during a
// dispatch, failing and runaway handlers.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "ScriptTestFixture.h"
#include "dsp/QuorvellaParameters.h"

namespace miditest {
namespace {

class DispatchTest : public ScriptTest {
protected:
  void SetUp() override {
    // Replace the built-in mapping, so controllers change no parameter here.
    user.addScript("midi.lua", R"(
      log = {}
      function record(...) log[#log + 1] = table.concat({...}, " ") end
      function logged() local text = table.concat(log, "|"); log = {}; return text end
    )");
  }
  std::string logged() { return run("return logged()"); }
};

TEST_F(DispatchTest, EveryChannelMessageKindReachesItsHandlers) {
  ASSERT_EQ(run(R"(
    requestAllNoteOn(function(c, n, v) record("on", c, n, v) end)
    requestAllNoteOff(function(c, n, v) record("off", c, n, v) end)
    requestAllPolyPressure(function(c, n, p) record("poly", c, n, p) end)
    requestAllCC(function(c, n, v) record("cc", c, n, v) end)
    requestAllProgramChange(function(c, p) record("prog", c, p) end)
    requestChannelPressure(function(c, p) record("press", c, p) end)
    requestPitchWheel(function(c, v) record("wheel", c, v) end)
  )"), "nil");
  EventBlock block;
  block.midi(0x90, 60, 100)   // note on, channel 1
      .midi(0x93, 60, 0)      // note on with velocity 0 is a note off
      .midi(0x85, 61, 30)     // note off with release velocity
      .midi(0xA1, 62, 70)
      .midi(0xB2, 74, 5)
      .midi(0xC3, 9, 0)
      .midi(0xD4, 33, 0)
      .midi(0xE0, 0x00, 0x40)
      .midi(0xEF, 0x7F, 0x7F)
      .midi(0x9F, 0xFF, 0xFF);  // data bytes are taken as 7 bits
  EXPECT_EQ(send(block), 1);
  EXPECT_EQ(logged(),
            "on 1 60 100|off 4 60 0|off 6 61 30|poly 2 62 70|cc 3 74 5|prog 4 9|press 5 33|"
            "wheel 1 8192|wheel 16 16383|on 16 127 127");
}

TEST_F(DispatchTest, SystemMessagesStrayBytesAndOtherEventTypesAreIgnored) {
  ASSERT_EQ(run("requestAllNoteOn(function(c, n, v) record('on', c, n, v) end)"), "nil");
  EventBlock block;
  block.sysex().midi(0xF8, 0, 0).midi(0xF0, 0x90, 60).midi(0x40, 60, 100).midi(0xFF, 0, 0);
  EXPECT_EQ(send(block), 1);
  EXPECT_EQ(logged(), "");
  EXPECT_EQ(fx().processEvents(MIDIEventList{nullptr, 0}), 1);
  EventBlock empty;
  EXPECT_EQ(send(empty), 1);
}

TEST_F(DispatchTest, KeyedHandlersFollowTheAllEventsHandlersOnEveryChannel) {
  ASSERT_EQ(run(R"(
    requestNoteOn(60, function(c, n, v) record("key60", c, n, v) end)
    requestAllNoteOn(function(c, n, v) record("all", c, n, v) end)
    requestNoteOn(60, function(c, n, v) record("key60b", c) end)
    requestCC(7, function(c, n, v) record("cc7", c, v) end)
    requestProgramChange(3, function(c, p) record("prog3", c) end)
    requestPolyPressure(64, function(c, n, p) record("poly64", c, p) end)
    requestNoteOff(60, function(c, n, v) record("off60", c, v) end)
    requestCC(300, function() record("never") end)
  )"), "nil");
  EventBlock block;
  block.midi(0x90, 60, 1).midi(0x9A, 60, 2).midi(0x90, 61, 3).midi(0xB5, 7, 99).midi(0xB5, 8, 1)
      .midi(0xC0, 3, 0).midi(0xC0, 4, 0).midi(0xA2, 64, 11).midi(0x80, 60, 12).midi(0x9B, 60, 0);
  send(block);
  EXPECT_EQ(logged(),
            "all 1 60 1|key60 1 60 1|key60b 1|all 11 60 2|key60 11 60 2|key60b 11|all 1 61 3|"
            "cc7 6 99|prog3 1|poly64 3 11|off60 1 12|off60 12 0");
}

TEST_F(DispatchTest, SameFunctionRegisteredTwiceIsCalledTwice) {
  ASSERT_EQ(run("local f = function(c, p) record('p', p) end "
                "requestAllProgramChange(f) requestAllProgramChange(f)"),
            "nil");
  EventBlock block;
  block.midi(0xC0, 5, 0);
  send(block);
  EXPECT_EQ(logged(), "p 5|p 5");
}

TEST_F(DispatchTest, NrpnAssembly) {
  ASSERT_EQ(run(R"(
    requestAllNRPN(function(c, n, v) record("nrpn", c, n, v) end)
    requestNRPN(130, function(c, n, v) record("nrpn130", v) end)
    requestAllCC(function(c, n, v) record("cc", n, v) end)
  )"), "nil");
  EventBlock block;
  block.midi(0xB0, 99, 1).midi(0xB0, 98, 2).midi(0xB0, 6, 3).midi(0xB0, 38, 4);
  send(block);
  EXPECT_EQ(logged(),
            "cc 99 1|cc 98 2|nrpn 1 130 384|nrpn130 384|cc 6 3|nrpn 1 130 388|nrpn130 388|cc 38 4");

  // The state is shared by all channels and never reset: data entry alone reuses the last
  // number and the last low data part.
  EventBlock again;
  again.midi(0xB7, 6, 5);
  send(again);
  EXPECT_EQ(logged(), "nrpn 8 130 644|nrpn130 644|cc 6 5");
}

TEST_F(DispatchTest, HandlersAddedDuringADispatchAreCalledForTheSameEvent) {
  ASSERT_EQ(run(R"(
    local added = false
    requestAllNoteOn(function(c, n, v)
      record("first", n)
      if not added then
        added = true
        requestAllNoteOn(function(c, n, v) record("added", n) end)
        requestNoteOn(n, function(c, n, v) record("keyed", n) end)
      end
    end)
  )"), "nil");
  EventBlock block;
  block.midi(0x90, 50, 1).midi(0x90, 51, 1);
  send(block);
  EXPECT_EQ(logged(), "first 50|added 50|keyed 50|first 51|added 51");
}

TEST_F(DispatchTest, FailingHandlersAreSkippedAndLeaveTheStackAsItWas) {
  ASSERT_EQ(run(R"(
    count = 0
    requestAllCC(function() error("always fails") end)
    requestAllCC(function() count = count + 1 end)
    requestAllCC(function() setParameter(40, 0) end)
    requestAllCC(function() return nil + 1 end)
    requestAllCC(function() count = count + 1 end)
  )"), "nil");
  EXPECT_EQ(stackHeight(), 0);
  EventBlock block;
  for (int i = 0; i < 500; ++i) block.midi(0xB0, 20, static_cast<uint8_t>(i & 0x7F));
  send(block);
  EXPECT_EQ(run("return count"), "1000");
  EXPECT_EQ(stackHeight(), 0);
}

TEST_F(DispatchTest, RunawayHandlersAreStoppedAndLaterEventsStillArrive) {
  ASSERT_EQ(run(R"(
    requestAllNoteOn(function() while true do end end)
    -- Catching the stop with pcall does not help: the next instruction stops it again.
    requestAllNoteOn(function() while true do pcall(function() while true do end end) end end)
    requestAllNoteOn(function(c, n) record("after", n) end)
    requestAllCC(function(c, n, v) record("cc", n, v) end)
    -- Coroutines count against the same budget.
    requestAllNoteOff(function()
      local co = coroutine.wrap(function() while true do end end)
      co()
    end)
  )"), "nil");
  auto start = std::chrono::steady_clock::now();
  EventBlock notes, noteOff;
  notes.midi(0x90, 60, 100).midi(0x90, 61, 100);
  noteOff.midi(0x80, 60, 0);
  send(notes);
  send(noteOff);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 10.0);
  // The two runaways spent the first block's budget: its third handler and its second note
  // were left out, and the note counted as dropped.
  EXPECT_EQ(helper().budgetDroppedEvents(), 1u);
  EventBlock next;
  next.midi(0xB0, 11, 127);
  send(next);
  EXPECT_EQ(logged(), "cc 11 127");
  EXPECT_EQ(stackHeight(), 0);
  EXPECT_EQ(run("return 1 + 1"), "2");  // a new call has a fresh budget
}

TEST_F(DispatchTest, RunawayErrorTextAndMemoryCap) {
  std::string stopped = run("while true do end");
  EXPECT_NE(stopped.find("instruction limit reached"), std::string::npos) << stopped;
  // A script that grabs memory without end fails instead of exhausting the host.
  // One call's work budget ends before the memory cap is reached, so the memory is piled up
  // over several calls.
  ASSERT_EQ(run("chunk = string.rep('x', 2^20) store = {}"), "nil");
  std::string result = "nil";
  for (int i = 0; i < 40 && result == "nil"; ++i)
    result = run("for i = 1, 10 do store[#store + 1] = chunk .. #store end");
  EXPECT_EQ(result, "error: not enough memory");
  EXPECT_EQ(run("store = nil"), "nil");
  EXPECT_EQ(run("collectgarbage() return 'usable'"), "usable");
}

}  // namespace
}  // namespace miditest
