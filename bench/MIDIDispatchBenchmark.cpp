// MIDI controller events through the built-in MIDI script, as effProcessEvents delivers
// them: blocks of 64 controller messages, reported per event. The user scripts folder is
// pointed at an empty folder, so only the built-in script runs.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "faces/vst2/AEffect.h"
#include "faces/vst2/QuorvellaVst2.h"

namespace {

constexpr int kEventsPerBlock = 64;

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

void useEmptyUserFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "quorvella-bench-empty";
    std::filesystem::create_directories(path);
    return path;
  }();
  setenv("XDG_DATA_HOME", folder.c_str(), 1);
}

// A block of controller messages on mixed channels with changing values.
struct ControllerBlock {
  std::vector<VstMidiEvent> events;
  std::vector<intptr_t> storage;
  VstEvents* block = nullptr;

  explicit ControllerBlock(bool mapped) : events(kEventsPerBlock) {
    // Controllers the built-in script maps (0, 2, 3 ...) or none it knows (45 and above).
    static const uint8_t kMapped[] = {0, 2, 3, 4, 5, 8, 9, 11, 12, 15, 25, 30, 39, 44};
    for (int i = 0; i < kEventsPerBlock; ++i) {
      VstMidiEvent& e = events[static_cast<size_t>(i)];
      e.type = kVstMidiType;
      e.byteSize = sizeof(VstMidiEvent);
      e.midiData[0] = static_cast<char>(0xB0 | (i % 16));
      e.midiData[1] = static_cast<char>(mapped ? kMapped[i % sizeof(kMapped)] : 45 + i % 50);
      e.midiData[2] = static_cast<char>((i * 37) % 128);
    }
    storage.assign(2 + kEventsPerBlock, 0);
    block = reinterpret_cast<VstEvents*>(storage.data());
    block->numEvents = kEventsPerBlock;
    VstEvent** list = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(block) +
                                                   offsetof(VstEvents, events));
    for (int i = 0; i < kEventsPerBlock; ++i) list[i] = reinterpret_cast<VstEvent*>(&events[i]);
  }
};

void dispatchControllers(benchmark::State& state, bool mapped) {
  useEmptyUserFolder();
  std::unique_ptr<Vst2Effect> effect(createQuorvellaVst2(hostCallback, nullptr));
  ControllerBlock block(mapped);
  for (auto _ : state) benchmark::DoNotOptimize(effect->processEvents(block.block));
  int64_t events = state.iterations() * kEventsPerBlock;
  state.SetItemsProcessed(events);
  // Seconds per event (shown with a unit prefix, e.g. 390n = 0.39 microseconds).
  state.counters["per_event"] = benchmark::Counter(
      static_cast<double>(events), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Controllers that set parameters: the handler scales the value and calls setParameter.
void mappedControllers(benchmark::State& state) { dispatchControllers(state, true); }
// Controllers the script ignores: decoding and one handler call that returns at once.
void unmappedControllers(benchmark::State& state) { dispatchControllers(state, false); }

BENCHMARK(mappedControllers);
BENCHMARK(unmappedControllers);

}  // namespace
