// processReplacing per factory program: stereo, 512-frame blocks at 44.1 kHz, on a pitched
// input. Reports the real-time factor (audio seconds processed per second of CPU time).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchSignal.h"
#include "dsp/FactoryPrograms.h"
#include "effect/HvcQuorvella.h"

namespace {

constexpr int kBlock = BenchSignal::kBlock;
constexpr double kRate = BenchSignal::kRate;
constexpr int kInputBlocks = BenchSignal::kInputBlocks;

void processFactoryProgram(benchmark::State& state) {
  const int program = static_cast<int>(state.range(0));
  HvcQuorvella effect(nullptr);
  effect.setSampleRate(static_cast<float>(kRate));
  effect.setBlockSize(kBlock);
  effect.setProgram(program);

  std::vector<float> input = BenchSignal::bassLine();
  std::vector<float> left(kBlock), right(kBlock);
  size_t block = 0;
  for (auto _ : state) {
    float* in[2] = {input.data() + block * kBlock, input.data() + block * kBlock};
    float* out[2] = {left.data(), right.data()};
    effect.processReplacing(in, out, kBlock);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    block = (block + 1) % kInputBlocks;
  }
  state.SetLabel(kFactoryPrograms[program].name);
  state.SetItemsProcessed(state.iterations() * kBlock);
  // Seconds of audio per second of processing, as a rate counter.
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                         benchmark::Counter::kIsRate);
}

BENCHMARK(processFactoryProgram)->DenseRange(0, kNumFactoryPrograms - 1)->Unit(benchmark::kMicrosecond);

// The same input in the small blocks of live use (64 frames), where the work done once per
// block weighs eight times as much: Defaults and Madness.
void processSmallBlocks(benchmark::State& state) {
  constexpr int kSmall = 64;
  const int program = static_cast<int>(state.range(0));
  HvcQuorvella effect(nullptr);
  effect.setSampleRate(static_cast<float>(kRate));
  effect.setBlockSize(kSmall);
  effect.setProgram(program);

  std::vector<float> input = BenchSignal::bassLine();
  const size_t pieces = input.size() / kSmall;
  std::vector<float> left(kSmall), right(kSmall);
  size_t piece = 0;
  for (auto _ : state) {
    float* in[2] = {input.data() + piece * kSmall, input.data() + piece * kSmall};
    float* out[2] = {left.data(), right.data()};
    effect.processReplacing(in, out, kSmall);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    piece = (piece + 1) % pieces;
  }
  state.SetLabel(kFactoryPrograms[program].name);
  state.SetItemsProcessed(state.iterations() * kSmall);
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kSmall / kRate,
                         benchmark::Counter::kIsRate);
}

BENCHMARK(processSmallBlocks)->Arg(0)->Arg(kNumFactoryPrograms - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
