// The platform layer's auto-reset events and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Event.h"
#include "platform/PlatformInfo.h"
#include "platform/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;
using platform::Event;
using platform::Thread;

long elapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(PlatformEvent, IsAutoResetAndKeepsASignalUntilTheNextWait) {
  Event e;
  ASSERT_TRUE(e.valid());
  EXPECT_FALSE(e.wait(0));
  e.signal();
  e.signal();  // two signals before a wait count as one
  EXPECT_TRUE(e.wait(0));
  EXPECT_FALSE(e.wait(0));
  auto start = Clock::now();
  EXPECT_FALSE(e.wait(50));
  EXPECT_GE(elapsedMs(start), 45);
}

TEST(PlatformEvent, WaitAnyTakesTheLowestSignalledEventOnly) {
  Event a, b, c;
  Event* all[] = {&a, &b, &c};
  c.signal();
  b.signal();
  EXPECT_EQ(Event::waitAny(all, 3, 0), 1);
  EXPECT_EQ(Event::waitAny(all, 3, 0), 2);
  EXPECT_EQ(Event::waitAny(all, 3, 0), Event::kTimedOut);
  EXPECT_EQ(Event::waitAny(all, 3, 20), Event::kTimedOut);
}

TEST(PlatformEvent, WakesAWaiterOnAnotherThread) {
  Event e;
  std::atomic<int> woke{-2};
  std::thread waiter([&] {
    Event* one[] = {&e};
    woke = Event::waitAny(one, 1, Event::kInfinite);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(woke.load(), -2);
  e.signal();
  waiter.join();
  EXPECT_EQ(woke.load(), 0);
}

TEST(PlatformThread, JoinGivesUpAfterItsTimeOutAndSucceedsLater) {
  Event release;
  Thread t;
  EXPECT_EQ(t.start([](void* e) { static_cast<Event*>(e)->wait(Event::kInfinite); }, &release), 0);
  EXPECT_TRUE(t.joinable());
  EXPECT_NE(t.start([](void*) {}, nullptr), 0);  // already running
  auto start = Clock::now();
  EXPECT_FALSE(t.join(50));
  EXPECT_GE(elapsedMs(start), 45);
  release.signal();
  EXPECT_TRUE(t.join(5000));
  EXPECT_FALSE(t.joinable());
  // A joined object can run a thread again.
  std::atomic<bool> ran{false};
  EXPECT_EQ(t.start([](void* flag) { *static_cast<std::atomic<bool>*>(flag) = true; }, &ran), 0);
  EXPECT_TRUE(t.join(Thread::kInfinite));
  EXPECT_TRUE(ran.load());
}

struct Blocked {
  Event never;
  std::atomic<bool> inRegion{false};
  std::atomic<bool> returned{false};
};

TEST(PlatformThread, CancelEndsAThreadBlockedInACancellableRegion) {
  Blocked state;
  Thread t;
  ASSERT_EQ(t.start(
                [](void* raw) {
                  auto* s = static_cast<Blocked*>(raw);
                  {
                    platform::CancellableRegion region;
                    s->inRegion = true;
                    s->never.wait(Event::kInfinite);
                  }
                  s->returned = true;
                },
                &state),
            0);
  while (!state.inRegion) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(t.join(30));
  t.cancel();
  EXPECT_TRUE(t.join(5000));
  // Linux ends the thread inside the region; Windows, which cannot end a thread safely,
  // ends the wait and lets the thread return by itself.
  EXPECT_EQ(state.returned.load(), platform::kIsWindows);
}

}  // namespace
