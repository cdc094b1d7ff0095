// The same product through its two plug-in binaries in one run: build/quorvella.so driven
// as a VST 2.4 host drives it (processReplacing) and build/quorvella.lv2/quorvella.so
// loaded through lilv as an LV2 host loads it (run, with its port and MIDI handling), on
// the bass line in 512-frame blocks at 44.1 kHz. Reports each face's real-time factor
// (audio seconds processed per second of CPU time) for three factory programs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/BenchSignal.h"
#include "dsp/FactoryPrograms.h"
#include "lv2/LV2Instance.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

constexpr int kBlock = BenchSignal::kBlock;
constexpr double kRate = BenchSignal::kRate;
constexpr int kInputBlocks = BenchSignal::kInputBlocks;
const char* const kPrograms[] = {"Defaults", "Auto-Wah", "Madness"};

void report(benchmark::State& state, const std::string& label) {
  state.SetLabel(label);
  state.SetItemsProcessed(state.iterations() * kBlock);
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                         benchmark::Counter::kIsRate);
}

void vstFace(benchmark::State& state) {
  const int program = BenchSignal::programNamed(kPrograms[state.range(0)]);
  vsthost::PluginLibrary library;
  std::string error = library.open(QUORVELLA_PLUGIN_PATH);
  vsthost::HostedEffect effect(library);
  if (!error.empty() || !effect.valid() || program < 0) {
    state.SkipWithError(error.empty() ? "no plug-in or program" : error.c_str());
    return;
  }
  effect.open();
  effect.setSampleRate(static_cast<float>(kRate));
  effect.setBlockSize(kBlock);
  effect.setProgram(program);
  effect.resume();
  std::vector<float> input = BenchSignal::bassLine();
  std::vector<float> left(kBlock), right(kBlock);
  size_t block = 0;
  for (auto _ : state) {
    float* in[2] = {input.data() + block * kBlock, input.data() + block * kBlock};
    float* out[2] = {left.data(), right.data()};
    effect.processReplacing(in, out, kBlock);
    benchmark::DoNotOptimize(left.data());
    block = (block + 1) % kInputBlocks;
  }
  report(state, std::string("VST 2.4 ") + kPrograms[state.range(0)]);
}

void lv2Face(benchmark::State& state) {
  const int program = BenchSignal::programNamed(kPrograms[state.range(0)]);
  lv2test::BundleWorld bundle(QUORVELLA_LV2_BUNDLE_DIR);
  lv2test::LV2Instance::Setup setup;
  setup.sampleRate = kRate;
  setup.blockLength = kBlock;
  lv2test::LV2Instance lv2(bundle, setup);
  if (!lv2.valid() || program < 0 || !lv2.restorePreset(program)) {
    state.SkipWithError("no LV2 plug-in or preset");
    return;
  }
  lv2.activate();
  std::vector<float> input = BenchSignal::bassLine();
  std::vector<float> left(kBlock), right(kBlock);
  size_t block = 0;
  for (auto _ : state) {
    const float* in = input.data() + block * kBlock;
    lv2.run(in, in, left.data(), right.data(), kBlock);
    benchmark::DoNotOptimize(left.data());
    block = (block + 1) % kInputBlocks;
  }
  report(state, std::string("LV2 ") + kPrograms[state.range(0)]);
}

// Interleaved, so that both faces see the machine in the same state.
BENCHMARK(vstFace)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(lv2Face)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
