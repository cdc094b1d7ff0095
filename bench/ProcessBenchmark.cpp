// processReplacing per factory program: stereo, 512-frame blocks at 44.1 kHz (and 64-frame
// blocks for two programs), on a pitched input. Reports the real-time factor (audio seconds
// processed per second of CPU time).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchSignal.h"
#include "dsp/FactoryPrograms.h"
#include "effect/HvcQuorvella.h"

namespace {

constexpr int kBlock = BenchSignal::kBlock;
constexpr double kRate = BenchSignal::kRate;

// processReplacing of one program over the input, in blocks of `frames`.
void processBlocks(benchmark::State& state, int program, int frames) {
  HvcQuorvella effect(nullptr);
  effect.setSampleRate(static_cast<float>(kRate));
  effect.setBlockSize(frames);
  effect.setProgram(program);

  std::vector<float> input = BenchSignal::bassLine();
  const size_t blocks = input.size() / static_cast<size_t>(frames);
  std::vector<float> left(frames), right(frames);
  size_t block = 0;
  for (auto _ : state) {
    float* in[2] = {input.data() + block * frames, input.data() + block * frames};
    float* out[2] = {left.data(), right.data()};
    effect.processReplacing(in, out, frames);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    block = (block + 1) % blocks;
  }
  state.SetLabel(BenchSignal::label(program));
  state.SetItemsProcessed(state.iterations() * frames);
  // Seconds of audio per second of processing, as a rate counter.
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * frames / kRate,
                         benchmark::Counter::kIsRate);
}

void processFactoryProgram(benchmark::State& state) {
  processBlocks(state, static_cast<int>(state.range(0)), kBlock);
}

BENCHMARK(processFactoryProgram)->DenseRange(0, kNumFactoryPrograms - 1)->Unit(benchmark::kMicrosecond);

// The same input in the small blocks of live use (64 frames), where the work done once per
// block weighs eight times as much: Defaults and Madness.
void processSmallBlocks(benchmark::State& state) {
  processBlocks(state, static_cast<int>(state.range(0)), 64);
}

BENCHMARK(processSmallBlocks)->Arg(0)->Arg(kNumFactoryPrograms - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
