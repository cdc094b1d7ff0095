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
  ASSERT_TRUE(a.valid() && b.valid() && c.valid());
  c.signal();
  b.signal();
  b.signal();  // two signals before a wait count as one
  EXPECT_EQ(Event::waitAny(all, 4, 0), 2);
  EXPECT_EQ(Event::waitAny(all, 4, 0), 3);
  EXPECT_EQ(Event::waitAny(all, 4, 20), Event::kTimedOut);
  a.signal();
  EXPECT_TRUE(a.wait(Event::kInfinite));
  EXPECT_FALSE(a.wait(0));
}

TEST(Win32Mutex, IsNotRecursiveAndTryLockNeverWaits) {
  platform::Mutex mutex;
  mutex.lock();
  EXPECT_FALSE(mutex.tryLock());  // not even for its holder
  std::atomic<bool> otherTook{true};
  Thread other;
  ASSERT_EQ(other.start([](void* raw) {
    auto* took = static_cast<std::pair<platform::Mutex*, std::atomic<bool>*>*>(raw);
    *took->second = took->first->tryLock();
  }, new std::pair<platform::Mutex*, std::atomic<bool>*>(&mutex, &otherTook)), 0);
  EXPECT_TRUE(other.join(Thread::kInfinite));
  EXPECT_FALSE(otherTook.load());
  mutex.unlock();
  EXPECT_TRUE(mutex.tryLock());
  mutex.unlock();
}

struct Waiter {
  Event entered, release;
  Thread* self = nullptr;
  std::atomic<bool> wasCurrent{false};
  std::atomic<int> results{0};
};

TEST(Win32Thread, JoinGivesUpAfterItsTimeOutAndIsCurrentHoldsOnlyInside) {
  Waiter w;
  Thread t;
  w.self = &t;
  ASSERT_EQ(t.start([](void* raw) {
    auto* w = static_cast<Waiter*>(raw);
    w->wasCurrent = w->self->isCurrent();
    w->release.wait(Event::kInfinite);
  }, &w), 0);
  EXPECT_NE(t.start([](void*) {}, nullptr), 0);  // still running
  EXPECT_FALSE(t.join(30));
  EXPECT_TRUE(t.joinable());
  EXPECT_FALSE(t.isCurrent());
  w.release.signal();
  EXPECT_TRUE(t.join(Thread::kInfinite));
  EXPECT_FALSE(t.joinable());
  EXPECT_TRUE(w.wasCurrent.load());
}

// Blocked waits inside a CancellableRegion end on cancel() and report no event; waits
// outside one go on as before, so the thread can still be told to end.
TEST(Win32Thread, CancelEndsBlockedWaitsInsideACancellableRegionOnly) {
  Waiter w;
  Thread t;
  ASSERT_EQ(t.start([](void* raw) {
    auto* w = static_cast<Waiter*>(raw);
    Event never;
    {
      platform::CancellableRegion region;
      w->entered.signal();
      if (!never.wait(Event::kInfinite)) w->results += 1;
      Event* both[] = {&never, &w->release};
      if (Event::waitAny(both, 2, Event::kInfinite) == Event::kTimedOut) w->results += 10;
    }
    if (w->release.wait(Event::kInfinite)) w->results += 100;
  }, &w), 0);
  ASSERT_TRUE(w.entered.wait(Event::kInfinite));
  t.cancel();
  w.release.signal();
  EXPECT_TRUE(t.join(Thread::kInfinite));
  EXPECT_EQ(w.results.load(), 111);
}

TEST(Win32Thread, ANonCancellableRegionKeepsACancellationOutUntilItEnds) {
  Waiter w;
  Thread t;
  ASSERT_EQ(t.start([](void* raw) {
    auto* w = static_cast<Waiter*>(raw);
    w->release.wait(Event::kInfinite);  // cancelled by now
    Event ready;
    ready.signal();
    {
      platform::NonCancellableRegion whole;
      platform::CancellableRegion inner;
      if (ready.wait(Event::kInfinite)) w->results += 1;
      uint32_t address = 0;
      if (platform::resolveIPv4("localhost", address) && address == 0x7F000001) w->results += 10;
    }
    ready.signal();
    platform::CancellableRegion region;
    if (!ready.wait(Event::kInfinite)) w->results += 100;  // the cancellation wins
    uint32_t address = 0;
    if (!platform::resolveIPv4("localhost", address)) w->results += 1000;
    if (platform::resolveIPv4("10.1.2.3", address) && address == 0x0A010203) w->results += 10000;
  }, &w), 0);
  t.cancel();
  w.release.signal();
  EXPECT_TRUE(t.join(Thread::kInfinite));
  EXPECT_EQ(w.results.load(), 11111);
}

TEST(Win32HostName, ResolvesNamesAndDottedAddresses) {
  uint32_t address = 0;
  EXPECT_TRUE(platform::resolveIPv4("127.0.0.1", address));
  EXPECT_EQ(address, 0x7F000001u);
  address = 0;
  EXPECT_TRUE(platform::resolveIPv4("localhost", address));
  EXPECT_EQ(address, 0x7F000001u);
  EXPECT_FALSE(platform::resolveIPv4(nullptr, address));
  EXPECT_FALSE(platform::resolveIPv4("", address));
}

TEST(Win32ThreadClock, CountsWorkButNotSleep) {
  int64_t start = platform::threadCPUTimeNs();
  Sleep(100);
  EXPECT_LT(platform::threadCPUTimeNs() - start, 50000000);
  // The clock moves in scheduler ticks: spin until it has moved at all.
  volatile uint64_t work = 0;
  ULONGLONG giveUp = GetTickCount64() + 60000;
  while (platform::threadCPUTimeNs() == start && GetTickCount64() < giveUp) ++work;
  EXPECT_GT(platform::threadCPUTimeNs(), start);
}

}  // namespace
