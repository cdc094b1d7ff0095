// Hostile MIDI scripts: how long the host's event thread stays inside one event block, and
// the host inside closing the instance, whatever a script does. Each benchmark loads one
// script as the user's midi.lua (in a temporary user folder), sends blocks of 128
// controller messages and reports the worst block ("worst_ms"), and the events dropped
// because a block's budget was spent ("dropped" per block). The close benchmarks report
// the time of destroying an instance whose finalizers never end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "effect/HvcQuorvella.h"
#include "faces/vst2/AEffect.h"
#include "faces/vst2/QuorvellaVst2.h"
#include "midi/LuaMIDIHelper.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kEventsPerBlock = 128;

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// A user folder of this process holding only midi.lua with the given text.
void useScript(const std::string& text) {
  static const fs::path root =
      fs::temp_directory_path() /
      ("quorvella-hostile-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::path scripts = root / "Halvercast" / "Quorvella" / "Scripts";
  fs::create_directories(scripts);
  std::ofstream(scripts / "midi.lua", std::ios::trunc) << text;
  setenv("XDG_DATA_HOME", root.c_str(), 1);
}

struct ControllerBlock {
  std::vector<VstMidiEvent> events;
  std::vector<intptr_t> storage;
  VstEvents* block = nullptr;

  ControllerBlock() : events(kEventsPerBlock) {
    for (int i = 0; i < kEventsPerBlock; ++i) {
      VstMidiEvent& e = events[static_cast<size_t>(i)];
      e.type = kVstMidiType;
      e.byteSize = sizeof(VstMidiEvent);
      e.midiData[0] = static_cast<char>(0xB0 | (i % 16));
      e.midiData[1] = static_cast<char>(20 + i % 40);
      e.midiData[2] = static_cast<char>(i % 128);
    }
    storage.assign(2 + kEventsPerBlock, 0);
    block = reinterpret_cast<VstEvents*>(storage.data());
    block->numEvents = kEventsPerBlock;
    auto** list = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(block) + offsetof(VstEvents, events));
    for (int i = 0; i < kEventsPerBlock; ++i) list[i] = reinterpret_cast<VstEvent*>(&events[i]);
  }
};

void worstBlock(benchmark::State& state, const char* script) {
  useScript(script);
  std::unique_ptr<Vst2Effect> effect(createQuorvellaVst2(hostCallback, nullptr));
  auto& product = static_cast<HvcQuorvella&>(effect->getProduct());
  ControllerBlock block;
  double worst = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    effect->processEvents(block.block);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    worst = std::max(worst, seconds);
  }
  state.counters["worst_ms"] = worst * 1e3;
  state.counters["dropped"] = benchmark::Counter(
      static_cast<double>(product.getMIDIHelper()->budgetDroppedEvents()), benchmark::Counter::kAvgIterations);
}

void closeTime(benchmark::State& state, const char* script) {
  useScript(script);
  double worst = 0;
  for (auto _ : state) {
    std::unique_ptr<Vst2Effect> effect(createQuorvellaVst2(hostCallback, nullptr));
    auto start = Clock::now();
    effect.reset();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    worst = std::max(worst, seconds);
  }
  state.counters["worst_ms"] = worst * 1e3;
}

#define HOSTILE(name, script) \
  BENCHMARK_CAPTURE(worstBlock, name, script)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond)
#define HOSTILE_CLOSE(name, script) \
  BENCHMARK_CAPTURE(closeTime, name, script)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond)

HOSTILE(endless_handler, "requestAllCC(function() while true do end end)");
HOSTILE(endless_handler_pcall,
        "requestAllCC(function() while true do pcall(function() while true do end end) end end)");
HOSTILE(endless_4096_handlers,
        "for i = 1, 4096 do requestAllCC(function() while true do end end) end");
HOSTILE(endless_finalizer_collect, R"(
  requestAllCC(function()
    local p = newproxy(true)
    getmetatable(p).__gc = function() while true do end end
    p = nil
    collectgarbage()
  end))");
HOSTILE(endless_file_finalizer_collect, R"(
  getmetatable(io.stdout).__gc = function() while true do end end
  requestAllCC(function() io.open('/dev/null') collectgarbage() end))");
HOSTILE(finalizer_allocation_gc, R"(
  requestAllCC(function()
    local p = newproxy(true)
    getmetatable(p).__gc = function() while true do end end
    p = nil
    local t = {} for i = 1, 1e7 do t[i] = {} end
  end))");
HOSTILE(rep_empty, "requestAllCC(function() while true do pcall(string.rep, '', 2^31 - 1) end end)");
HOSTILE(rep_big, "requestAllCC(function() local s = string.rep('abcdefgh', 2^24) end)");
HOSTILE(gsub_16mb, R"(
  big = string.rep(string.rep('x', 1024), 16384)
  requestAllCC(function() big:gsub('.', {}) end))");
HOSTILE(backtracking_find,
        "requestAllCC(function() string.find(('a'):rep(3000), '.-.-.-b') end)");
HOSTILE(backtracking_rep_pattern,
        "requestAllCC(function() string.find(('a'):rep(3000), ('.-.-b'):rep(20)) end)");
HOSTILE(upper_big, R"(
  big = string.rep(string.rep('x', 1024), 16384)
  requestAllCC(function() while true do big:upper():lower():reverse() end end))");
HOSTILE(format_loop,
        "requestAllCC(function() while true do string.format('%99.99f', 1e308) end end)");
HOSTILE(unpack_loop, R"(
  t = {} for i = 1, 7900 do t[i] = i end
  requestAllCC(function() while true do unpack(t) end end))");
HOSTILE(byte_loop, R"(
  s = string.rep('x', 7900)
  requestAllCC(function() while true do s:byte(1, -1) end end))");
HOSTILE(varargs_loop, R"(
  t = {} for i = 1, 7900 do t[i] = i end
  local function g() end
  local function f(...) while true do g(...) end end
  requestAllCC(function() f(unpack(t)) end))");
HOSTILE(compare_big_strings, R"(
  a = string.rep(string.rep('x', 1024), 12288)
  b = string.rep(string.rep('x', 1024), 12288)
  requestAllCC(function() while true do local c = a < b end end))");
HOSTILE(sort_big_table, R"(
  t = {} for i = 1, 2e6 do t[i] = (i * 7919) % 1000003 end
  requestAllCC(function() table.sort(t) end))");
HOSTILE(concat_big_table, R"(
  t = {} for i = 1, 2e6 do t[i] = '' end
  requestAllCC(function() while true do table.concat(t) end end))");
HOSTILE(tostring_loop, "requestAllCC(function() while true do tostring({}) end end)");
HOSTILE(memory_hog, "requestAllCC(function() local t = {} for i = 1, 1e9 do t[i] = {} end end)");
HOSTILE(memory_hog_strings,
        "requestAllCC(function() local t = {} for i = 1, 1e9 do t[i] = string.rep('y', 1e6) .. i end end)");
HOSTILE(gc_tuning_abuse, R"(
  keep = {} for i = 1, 2e6 do keep[i] = {} end
  collectgarbage('setpause', 0) collectgarbage('setstepmul', 0)
  requestAllCC(function() while true do local x = {} end end))");
HOSTILE(collect_big_heap, R"(
  keep = {} for i = 1, 6e5 do keep[i] = {} end
  requestAllCC(function() while true do collectgarbage() end end))");

HOSTILE_CLOSE(endless_finalizer, R"(
  p = newproxy(true)
  getmetatable(p).__gc = function() while true do end end)");
HOSTILE_CLOSE(many_endless_finalizers, R"(
  ps = {}
  for i = 1, 1000 do
    local p = newproxy(true)
    getmetatable(p).__gc = function() while true do pcall(string.rep, '', 2^31 - 1) end end
    ps[i] = p
  end)");
HOSTILE_CLOSE(file_finalizer, R"(
  getmetatable(io.stdout).__gc = function() while true do end end)");
HOSTILE_CLOSE(big_heap, R"(
  keep = {} for i = 1, 2e6 do keep[i] = {} end)");

}  // namespace
