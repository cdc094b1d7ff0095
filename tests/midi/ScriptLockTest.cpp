// The per-instance script lock: the event thread never waits for it, events that arrive
// while another thread holds it are dispatched in order by the next holder, and MIDI
// dispatch runs alongside other threads entering the state (the thread sanitizer build
// runs these tests).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "ScriptTestFixture.h"
#include "dsp/QuorvellaParameters.h"
#include "lua/LuaIncludes.h"
#include "midi/LuaMIDISession.h"

namespace miditest {
namespace {

// Holds a session on its own thread until released (or for at most ten seconds).
class SessionHolder {
public:
  explicit SessionHolder(HC::LuaMIDIHelper& helper)
      : thread([this, &helper] {
          HC::LuaMIDISession session(helper);
          std::unique_lock<std::mutex> guard(mutex);
          holding = true;
          changed.notify_all();
          changed.wait_for(guard, std::chrono::seconds(10), [this] { return released; });
        }) {
    std::unique_lock<std::mutex> guard(mutex);
    changed.wait(guard, [this] { return holding; });
  }
  ~SessionHolder() { release(); }
  void release() {
    {
      std::lock_guard<std::mutex> guard(mutex);
      released = true;
    }
    changed.notify_all();
    if (thread.joinable()) thread.join();
  }

private:
  std::mutex mutex;
  std::condition_variable changed;
  bool holding = false;
  bool released = false;
  std::thread thread;
};

class LockTest : public ScriptTest {
protected:
  void SetUp() override {
    user.addScript("midi.lua", R"(
      notes, controllers = {}, 0
      requestAllNoteOn(function(c, n, v) notes[#notes + 1] = n; setParameter(0, #notes) end)
      requestAllCC(function() controllers = controllers + 1 end)
      function noteCount() return #notes end
    )");
  }
};

TEST_F(LockTest, EventsArrivingWhileTheLockIsHeldAreDispatchedInOrderWhenItIsReleased) {
  fx();
  SessionHolder holder(helper());
  EventBlock first, second;
  first.midi(0x90, 10, 1).midi(0x90, 11, 1);
  second.midi(0x90, 12, 1).midi(0xF8, 0, 0).midi(0x90, 13, 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(send(first), 1);
  EXPECT_EQ(send(second), 1);
  // The event thread did not wait for the holder (which would only let go after 10 s).
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(plain(kDryLevel), 0.0f);  // nothing dispatched yet
  holder.release();
  EXPECT_EQ(plain(kDryLevel), 4.0f);
  EXPECT_EQ(run("return table.concat(notes, ' ')"), "10 11 12 13");
  EXPECT_EQ(helper().droppedEvents(), 0u);
}

// A face that skips empty event lists asks first whether one would dispatch anything: only
// while messages put aside wait, until a holder of the lock has dispatched them.
TEST_F(LockTest, AnEmptyListIsAwaitedOnlyWhileMessagesWait) {
  auto& product = fx();
  EXPECT_FALSE(helper().hasQueuedEvents());
  EXPECT_FALSE(product.awaitsEmptyEventList());
  EventBlock block;
  block.midi(0x90, 20, 1).midi(0xF8, 0, 0);
  EXPECT_EQ(send(block), 1);  // dispatched at once: nothing is put aside
  EXPECT_FALSE(product.awaitsEmptyEventList());
  {
    SessionHolder holder(helper());
    EventBlock clock;
    clock.midi(0xF8, 0, 0);  // not a channel message: never queued
    EXPECT_EQ(send(clock), 1);
    EXPECT_FALSE(product.awaitsEmptyEventList());
    EXPECT_EQ(send(block), 1);
    EXPECT_TRUE(helper().hasQueuedEvents());
    EXPECT_TRUE(product.awaitsEmptyEventList());
    EXPECT_EQ(send(block), 1);
    EXPECT_TRUE(product.awaitsEmptyEventList());
  }
  // The session dispatched them as it closed.
  EXPECT_FALSE(product.awaitsEmptyEventList());
  EXPECT_EQ(run("return table.concat(notes, ' ')"), "20 20 20");
}

TEST_F(LockTest, AFullQueueDropsAndCountsTheExcess) {
  fx();
  const size_t capacity = HC::LuaMIDIHelper::kQueueCapacity;
  {
    SessionHolder holder(helper());
    EventBlock flood;
    for (size_t i = 0; i < capacity + 100; ++i) flood.midi(0x90, static_cast<uint8_t>(i % 128), 1);
    EXPECT_EQ(send(flood), 1);
    EXPECT_EQ(helper().droppedEvents(), 100u);
  }
  EXPECT_EQ(run("return noteCount()"), std::to_string(capacity));
  EXPECT_EQ(run("return notes[1] .. ' ' .. notes[#notes]"),
            "0 " + std::to_string((capacity - 1) % 128));
}

TEST_F(LockTest, DispatchOnOneThreadWhileAnotherEntersTheState) {
  fx();
  constexpr int kBlocks = 1000, kPerBlock = 4, kSessions = 400;
  std::atomic<bool> go{false};
  std::thread events([&] {
    while (!go.load()) std::this_thread::yield();
    EventBlock block;
    for (int i = 0; i < kPerBlock; ++i) block.midi(0xB0, static_cast<uint8_t>(20 + i), 1);
    // Paced like a host (a block every few hundred microseconds at most), so that the
    // handlers can keep up and nothing has to be dropped.
    for (int b = 0; b < kBlocks; ++b) {
      send(block);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  std::thread other([&] {
    while (!go.load()) std::this_thread::yield();
    for (int s = 0; s < kSessions; ++s) {
      HC::LuaMIDISession session(helper());
      lua_State* state = session.state();
      helper().handleNoteOn(0, 60, 100);  // as the OSC server injects notes
      lua_getglobal(state, "noteCount");
      ASSERT_EQ(helper().protectedCall(0, 1), 0);
      EXPECT_EQ(lua_tonumber(state, -1), s + 1);
      lua_pop(state, 1);
    }
  });
  go.store(true);
  events.join();
  other.join();
  EXPECT_EQ(run("return controllers"), std::to_string(kBlocks * kPerBlock));
  EXPECT_EQ(run("return noteCount()"), std::to_string(kSessions));
  EXPECT_EQ(helper().droppedEvents(), 0u);
}

}  // namespace
}  // namespace miditest
