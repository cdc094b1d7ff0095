// Parameters written from several threads while the audio thread processes blocks: every
// shared value is a lock-free atomic, so this is defined behaviour (the thread sanitizer
// build runs it).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

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
