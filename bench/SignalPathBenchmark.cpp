// The processing benchmark's blocks (stereo, 512 frames, 44.1 kHz, the decaying saw bass
// line) against the recursions' limit (RecursionLimit) with the same program's block
// settings, in one run: each iteration times a batch of blocks through processReplacing and
// then the same blocks through the recursions alone, both in thread CPU time, so that load
// from other processes weighs on both alike. Counters:
//   product_x  audio seconds per CPU second through processReplacing,
//   limit_x    the same for the recursions alone,
//   share      product_x / limit_x, the product's speed as a fraction of the limit.
// Run with --benchmark_repetitions and read the medians.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <vector>

#include "bench/BenchSignal.h"
#include "bench/RecursionLimit.h"
#include "dsp/DenormalGuard.h"
#include "dsp/FactoryPrograms.h"
#include "effect/HvcQuorvella.h"

namespace {

constexpr int kBlock = BenchSignal::kBlock;
constexpr double kRate = BenchSignal::kRate;
constexpr int kInputBlocks = BenchSignal::kInputBlocks;
constexpr int kBatch = 16;

// This thread's CPU time; elsewhere than POSIX the steady clock (wall time, noisier).
double threadSeconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID) && !defined(_WIN32)
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
#else
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#endif
}

void compare(benchmark::State& state, int program) {
  HvcQuorvella effect(nullptr);
  BlockSettings settings;
  BenchSignal::setUp(effect, program, settings);
  RecursionLimit limit;

  const std::vector<float> input = BenchSignal::bassLine();
  std::vector<float> left(kBlock), right(kBlock);
  size_t block = 0;
  double productSeconds = 0.0, limitSeconds = 0.0;
  auto batch = [&](bool product) {
    const double begin = threadSeconds();
    for (int b = 0; b < kBatch; ++b) {
      const float* in[2] = {input.data() + (block + b) % kInputBlocks * kBlock,
                            input.data() + (block + b) % kInputBlocks * kBlock};
      float* out[2] = {left.data(), right.data()};
      if (product) {
        effect.processReplacing(const_cast<float**>(in), out, kBlock);
      } else {
        DenormalGuard flushSubnormals;  // as processReplacing runs
        limit.process(settings, in, out, kBlock);
      }
      benchmark::DoNotOptimize(left.data());
      benchmark::DoNotOptimize(right.data());
    }
    return threadSeconds() - begin;
  };
  for (auto _ : state) {
    productSeconds += batch(true);
    limitSeconds += batch(false);
    block = (block + kBatch) % kInputBlocks;
  }
  const double audio = static_cast<double>(state.iterations()) * kBatch * kBlock / kRate;
  state.SetLabel(BenchSignal::label(program));
  state.counters["product_x"] = audio / productSeconds;
  state.counters["limit_x"] = audio / limitSeconds;
  state.counters["share"] = limitSeconds / productSeconds;
}

void productAgainstLimitDefaults(benchmark::State& state) {
  compare(state, BenchSignal::programNamed("Defaults"));
}
void productAgainstLimitMadness(benchmark::State& state) {
  compare(state, BenchSignal::programNamed("Madness"));
}

BENCHMARK(productAgainstLimitDefaults)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(productAgainstLimitMadness)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace
