// Events, locks, threads, their cancellation and the thread clock on Windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "platform/Event.h"
#include "platform/HostName.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"
#include "platform/ThreadClock.h"

namespace {

using platform::Event;
using platform::Thread;

TEST(Win32Event, WaitAnyTakesTheLowestSignalledEventAndResetsOnlyThatOne) {
  Event a, b, c;
  Event* all[] = {&a, nullptr, &b, &c};  // a missing event is never signalled
  c.signal();
  b.signal();
  b.signal();  // two signals before a wait count as one
  EXPECT_EQ(Event::waitAny(all, 4, 0), 2);
  EXPECT_EQ(Event::waitAny(all, 4, 0), 3);
  EXPECT_EQ(Event::waitAny(all, 4, 20), Event::kTimedOut);
}

TEST(Win32Mutex, TryLockFailsEvenForTheHolder) {
  platform::Mutex mutex;
  mutex.lock();
  EXPECT_FALSE(mutex.tryLock());
  mutex.unlock();
  EXPECT_TRUE(mutex.tryLock());
  mutex.unlock();
}

struct Shared {
  Event entered, release;
  Thread thread;
  std::atomic<int> results{0};
};

TEST(Win32Thread, JoinGivesUpAfterItsTimeOutAndIsCurrentHoldsOnlyInside) {
  Shared s;
  ASSERT_EQ(s.thread.start([](void* raw) {
    auto* s = static_cast<Shared*>(raw);
    if (s->thread.isCurrent()) s->results += 1;
    s->release.wait(Event::kInfinite);
  }, &s), 0);
  EXPECT_NE(s.thread.start([](void*) {}, nullptr), 0);  // still running
  EXPECT_FALSE(s.thread.join(30));
  EXPECT_FALSE(s.thread.isCurrent());
  s.release.signal();
  EXPECT_TRUE(s.thread.join(Thread::kInfinite));
  EXPECT_FALSE(s.thread.joinable());
  EXPECT_EQ(s.results.load(), 1);
}

// Blocked waits and lookups inside a CancellableRegion end on cancel() and report failure;
// outside one, and inside a NonCancellableRegion, they go on as before, so the thread can
// still be told to end.
TEST(Win32Thread, CancelEndsBlockingCallsInsideACancellableRegionOnly) {
  Shared s;
  ASSERT_EQ(s.thread.start([](void* raw) {
    auto* s = static_cast<Shared*>(raw);
    Event never, ready;
    uint32_t address = 0;
    {
      platform::CancellableRegion region;
      s->entered.signal();
      if (!never.wait(Event::kInfinite)) s->results += 1;
      ready.signal();
      if (!ready.wait(Event::kInfinite)) s->results += 10;  // the cancellation wins
      if (!platform::resolveIPv4("localhost", address)) s->results += 100;
      {
        platform::NonCancellableRegion whole;
        platform::CancellableRegion inner;
        if (ready.wait(Event::kInfinite)) s->results += 1000;
      }
    }
    if (platform::resolveIPv4("10.1.2.3", address) && address == 0x0A010203) s->results += 10000;
    if (s->release.wait(Event::kInfinite)) s->results += 100000;
  }, &s), 0);
  ASSERT_TRUE(s.entered.wait(Event::kInfinite));
  s.thread.cancel();
  s.release.signal();
  EXPECT_TRUE(s.thread.join(Thread::kInfinite));
  EXPECT_EQ(s.results.load(), 111111);
}

TEST(Win32HostName, ResolvesNamesOnAnyThreadAndDottedAddresses) {
  uint32_t address = 0;
  EXPECT_TRUE(platform::resolveIPv4("127.0.0.1", address));
  EXPECT_EQ(address, 0x7F000001u);
  EXPECT_FALSE(platform::resolveIPv4("", address));
  // On a thread that may be cancelled the lookup runs on a helper thread.
  Shared s;
  ASSERT_EQ(s.thread.start([](void* raw) {
    uint32_t found = 0;
    if (platform::resolveIPv4("localhost", found) && found == 0x7F000001) static_cast<Shared*>(raw)->results += 1;
  }, &s), 0);
  EXPECT_TRUE(s.thread.join(Thread::kInfinite));
  EXPECT_EQ(s.results.load(), 1);
}

TEST(Win32ThreadClock, CountsWorkButNotSleep) {
  int64_t start = platform::threadCPUTimeNs();
  Sleep(100);
  EXPECT_LT(platform::threadCPUTimeNs() - start, 50000000);
  // The clock moves in scheduler ticks: work until it has moved at all.
  volatile uint64_t work = 0;
  ULONGLONG giveUp = GetTickCount64() + 60000;
  while (platform::threadCPUTimeNs() == start && GetTickCount64() < giveUp) ++work;
  EXPECT_GT(platform::threadCPUTimeNs(), start);
}

}  // namespace
