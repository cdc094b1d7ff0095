// Stopping the server while its receive thread is on its way into the listening loop: the
// stop must end the thread however the two interleave. A stop that misses the loop leaves
// the thread listening for ever and the host waiting for it without end, so the rounds run
// on a worker and a watchdog reports a stop that does not return.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include "OSCTestSupport.h"
#include "effect/HvcQuorvella.h"
#include "osc/OSCHelper.h"

namespace {

using namespace osctest;

// Busy-waits so that the delay is shorter than a sleep can be.
void spinFor(std::chrono::microseconds delay) {
  auto until = Clock::now() + delay;
  while (Clock::now() < until) {
  }
}

TEST(OSCStopRace, StopRightAfterARetargetAlwaysEndsTheThreads) {
  UserEnvironment env;
  StreamCapture output(1);
  HvcQuorvella effect(nullptr);
  HC::OSCHelper server(nullptr, &effect);
  const int port = freePort();
  constexpr int kRounds = 3000;

  std::atomic<int> rounds{0};
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay(0, 80);
    for (int r = 0; r < kRounds; ++r) {
      server.startTask();
      server.retarget(1, port - 1);
      spinFor(std::chrono::microseconds(delay(random)));
      server.stopTask();
      rounds.store(r + 1);
    }
    finished = true;
  });

  // Each round takes well under a millisecond; one that takes seconds is a stop that
  // waits for a thread that will never end.
  int seen = -1;
  auto lastProgress = Clock::now();
  while (!finished) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int now = rounds.load();
    if (now != seen) {
      seen = now;
      lastProgress = Clock::now();
    } else if (Clock::now() - lastProgress > std::chrono::seconds(8)) {
      std::fprintf(stderr, "stopTask did not return in round %d of %d\n", now + 1, kRounds);
      std::fflush(stderr);
      std::_Exit(1);  // the worker is stuck in a join that cannot end
    }
  }
  worker.join();
  EXPECT_EQ(rounds.load(), kRounds);
  EXPECT_FALSE(server.running());
  EXPECT_EQ(server.listeningPort(), 0);
}

}  // namespace
