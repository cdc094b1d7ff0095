// Parameters written from several threads while the audio thread processes blocks: every
// shared value is a lock-free atomic, so this is defined behaviour (the thread sanitizer
// build runs it).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "effect/HvcQuorvella.h"
#include "framework/ParameterChangeRing.h"
#include "framework/ParameterListenerTable.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

TEST(Concurrency, ParametersFromThreeThreadsWhileProcessing) {
  vsthost::PluginLibrary library;
  ASSERT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
  vsthost::HostedEffect fx(library);
  ASSERT_TRUE(fx.valid());
  fx.setSampleRate(44100.0f);
  fx.setBlockSize(256);
  fx.resume();

  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 3; ++t) {
    writers.emplace_back([&fx, &stop, t] {
      unsigned step = 0;
      while (!stop.load()) {
        int index = static_cast<int>((step * 7 + t * 13) % 39);  // not the OSC port
        fx.setParameter(index, static_cast<float>((step % 101) / 100.0));
        (void)fx.getParameter((index + 5) % 40);
        if (t == 2 && step % 64 == 0) (void)fx.parameterDisplay(index);
        ++step;
      }
    });
  }

  std::vector<float> in(256), outL(256), outR(256);
  for (int block = 0; block < 400; ++block) {
    for (int i = 0; i < 256; ++i) in[i] = 0.5f * std::sin((block * 256 + i) * 0.03f);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    fx.processReplacing(ins, outs, 256);
    if (block == 200) fx.setProgram(3);
  }
  stop = true;
  for (auto& w : writers) w.join();
  for (float v : outL) EXPECT_FALSE(std::isnan(v));
}

}  // namespace

namespace {

// Three writers race for the slots of a small ring while one reader drains it: every
// accepted change arrives once, each writer's changes in its own order, and every refusal
// is a change that was not accepted.
TEST(Concurrency, ChangeRingKeepsEveryAcceptedChangeInWriterOrder) {
  ParameterChangeRing ring(16);
  constexpr int kWriters = 3, kEach = 20000;
  std::atomic<int> accepted{0}, running{kWriters};
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers.emplace_back([&, t] {
      for (int k = 0; k < kEach; ++k)
        if (ring.push(t, static_cast<float>(k))) accepted.fetch_add(1);
      running.fetch_sub(1);
    });
  }
  std::vector<float> last(kWriters, -1.0f);
  int received = 0;
  ParameterChangeRing::Change change;
  for (;;) {
    bool done = running.load() == 0;  // read before the last drain
    while (ring.pop(change)) {
      ASSERT_GE(change.index, 0);
      ASSERT_LT(change.index, kWriters);
      ASSERT_GT(change.value, last[change.index]) << "writer " << change.index;
      last[change.index] = change.value;
      ++received;
    }
    if (done) break;
  }
  for (auto& w : writers) w.join();
  EXPECT_EQ(received, accepted.load());
  EXPECT_LE(ring.countWaiting(), 0u);
}

// Host threads change parameters far faster than the editor idles: after the last
// delivery every control shows its parameter's newest value.
TEST(Concurrency, ListenerTableEndsAtTheNewestValueOfEveryParameter) {
  HvcQuorvella effect(nullptr);
  struct Shown {
    float value[40];
  } shown{};
  auto record = [](void* user, void*, int32_t index, float value) {
    static_cast<Shown*>(user)->value[index] = value;
  };
  ParameterListenerTable table(&effect, record, &shown);
  int control = 0;
  for (int i = 0; i < 39; ++i) table.registerControl(i, &control);

  constexpr int kWriters = 3, kEach = 30000;
  std::atomic<int> running{kWriters};
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers.emplace_back([&, t] {
      // Writer t owns parameters t, t + 3, ...; its values rise, so the newest is the largest.
      for (int k = 0; k < kEach; ++k) table.parameterChanged(t + 3 * (k % 13), static_cast<float>(k));
      running.fetch_sub(1);
    });
  }
  while (running.load() > 0) table.deliver();
  for (auto& w : writers) w.join();
  table.deliver();
  EXPECT_EQ(table.pendingCount(), 0u);
  for (int t = 0; t < kWriters; ++t)
    for (int j = 0; j < 13; ++j) {
      int newest = kEach - 1 - ((kEach - 1 - j) % 13);  // last k with k % 13 == j
      EXPECT_EQ(shown.value[t + 3 * j], static_cast<float>(newest)) << "parameter " << t + 3 * j;
    }
}

}  // namespace
