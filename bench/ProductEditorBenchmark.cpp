// The costs of build/quorvella.so's own editor with its built-in layout, through the host
// boundary on a private Xvfb with the software GL, for a private user whose preferences
// this program writes before each instance is made:
// - OpenToFirstFrame: from the host's open (effEditGetRect, its window, effEditOpen) to the
//   first picture that shows the whole layout (fields with their digits, the meters' wells,
//   the background tile), read back from the X server while the host idles the editor.
//   20 openings one after the other by one instance; the counter median_ms is their median
//   (the time column is their mean).
// - OpenToFirstFrameAlone: the same, each opening by a new instance while no other exists,
//   so that nothing a closed editor leaves for the next opening is there: the cost of the
//   first editor a process opens.
// - RenderCpu/<eye candy 1 or 0>: CPU time of the threads the opening started (the render
//   thread and the GL driver's workers) over wall time, with the editor untouched at its
//   frame rate (about 30 a second) and the host idling it every 20 ms.
// - EditorProcessCpu/<eye candy>/<playing>/<constant redraw>: CPU time of the whole
//   process (every thread: the host's idle, the audio thread, the render thread, the GL
//   driver's workers) over 12 s of wall time with the editor open, the host idling it every
//   20 ms and an audio thread processing 512-frame stereo blocks at 44.1 kHz in real time:
//   silence, or the demo bass line looped (meters and the information display moving).
//   Preferences: eye candy on or off, constant redraw on (the default) or off; and once with
//   the host's window unmapped after the first picture (a host that hides the editor).
// - MemoryPerEditor: resident memory growth of the first, the second and (on average) each
//   further editor, all open at once, each measured after it showed its layout and then
//   ran for a second. One editor opened and closed before pays for the process-wide
//   libraries (and whatever the process keeps for later editors), so that the first
//   editor's figure is what one more instance costs in a host that already had one.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ProcessUsage.h"
#include "demo/DemoBassLine.h"
#include "framework/SettingsValueNames.h"
#include "support/UserEnvironment.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/ProductPicture.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using benchsupport::threadCpu;
using Clock = std::chrono::steady_clock;

struct Setup {
  Setup() {
    ok = displayUp && driver.ok() && library.open(QUORVELLA_PLUGIN_PATH).empty();
    // Far from every editor: nothing is hovered, the light rests.
    if (ok) driver.movePointer(driver.rootWindow(), 1270, 1500);
  }
  // The user first: the plug-in reads its preferences from there. Then the display, which
  // the driver connects to.
  testsupport::UserEnvironment user;
  bool displayUp = testsupport::XvfbDisplay::shared().ok();
  bool ok = false;
  testsupport::XTestDriver driver;
  vsthost::PluginLibrary library;
};

Setup& setup() {
  static Setup s;
  return s;
}

// The editor's first picture with the whole layout; false when it never comes.
bool waitLayout(vsthost::EditorHost& host) {
  testsupport::Image picture;
  producttest::LayoutProbes last;
  return producttest::waitForLayout(host, setup().driver, picture, last);
}

bool openShown(vsthost::EditorHost& host) {
  std::string error;
  return host.open("product editor bench", error) && waitLayout(host);
}

// Openings to the first whole picture, by one instance throughout or by a new one each time.
void measureOpenings(benchmark::State& state, bool newInstanceEach) {
  if (!setup().ok) {
    state.SkipWithError("no display or plug-in");
    return;
  }
  setup().user.setNumbers({{kPreferenceEyeCandy, 1}});
  std::unique_ptr<vsthost::HostedEffect> effect;
  std::vector<double> seconds;
  for (auto _ : state) {
    if (newInstanceEach || !effect) {
      effect.reset();  // the old one goes first: no other instance is alive
      effect = std::make_unique<vsthost::HostedEffect>(setup().library);
    }
    vsthost::EditorHost host(*effect);
    auto start = Clock::now();
    if (!openShown(host)) {
      state.SkipWithError("the editor did not show its layout");
      return;
    }
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    state.SetIterationTime(seconds.back());
    host.close();
  }
  state.counters["median_ms"] = benchsupport::median(seconds) * 1000.0;
}

void OpenToFirstFrame(benchmark::State& state) { measureOpenings(state, false); }
BENCHMARK(OpenToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void OpenToFirstFrameAlone(benchmark::State& state) { measureOpenings(state, true); }
BENCHMARK(OpenToFirstFrameAlone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void RenderCpu(benchmark::State& state) {
  if (!setup().ok) {
    state.SkipWithError("no display or plug-in");
    return;
  }
  // Read by the editor's manager when the editor opens.
  setup().user.setNumbers({{kPreferenceEyeCandy, static_cast<int32_t>(state.range(0))}});
  vsthost::HostedEffect effect(setup().library);
  double share = 0.0;
  for (auto _ : state) {
    std::map<int, double> before = threadCpu();
    vsthost::EditorHost host(effect);
    if (!openShown(host)) {
      state.SkipWithError("the editor did not show its layout");
      return;
    }
    // Past the set-up and the light's approach to its resting place: the steady state only.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    // 5 s of a host idling every 20 ms
    share = benchsupport::idlingShare(before, [&] { host.idle(); }, 250);
    host.close();
  }
  state.counters["cpu_share_of_a_core"] = share;
}
BENCHMARK(RenderCpu)->ArgName("eye_candy")->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1);

// Plays into the effect from a thread of its own, block by block at the pace of real time,
// as a host's audio thread does, until destroyed.
class RealTimePlayer {
 public:
  RealTimePlayer(vsthost::HostedEffect& effect, bool bassLine) : effect(effect) {
    if (bassLine) line = demo::DemoBassLine().render();
    effect.setSampleRate(static_cast<float>(demo::DemoBassLine::kSampleRate));
    effect.setBlockSize(kBlock);
    effect.resume();
    worker = std::thread([this] { run(); });
  }
  ~RealTimePlayer() {
    stopping = true;
    worker.join();
    effect.suspend();
  }

 private:
  static constexpr int kBlock = 512;

  void run() {
    std::vector<float> left(kBlock), right(kBlock), outLeft(kBlock), outRight(kBlock);
    float* in[2] = {left.data(), right.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    const auto period = std::chrono::duration<double>(static_cast<double>(kBlock) /
                                                      demo::DemoBassLine::kSampleRate);
    auto next = Clock::now();
    size_t at = 0;
    while (!stopping) {
      for (int i = 0; i < kBlock; ++i) {
        float v = line.empty() ? 0.0f : line[at];
        if (!line.empty()) at = (at + 1) % line.size();
        left[static_cast<size_t>(i)] = right[static_cast<size_t>(i)] = v;
      }
      effect.processReplacing(in, out, kBlock);
      next += std::chrono::duration_cast<Clock::duration>(period);
      std::this_thread::sleep_until(next);
    }
  }

  vsthost::HostedEffect& effect;
  std::vector<float> line;
  std::atomic<bool> stopping{false};
  std::thread worker;
};

// range(3): 1 hides the editor (the host unmaps its window, as Ardour does on close) once
// it has shown its layout.
void EditorProcessCpu(benchmark::State& state) {
  if (!setup().ok) {
    state.SkipWithError("no display or plug-in");
    return;
  }
  setup().user.setNumbers({{kPreferenceEyeCandy, static_cast<int32_t>(state.range(0))},
                           {kPreferenceConstantRedraw, static_cast<int32_t>(state.range(2))}});
  vsthost::HostedEffect effect(setup().library);
  double share = 0.0;
  for (auto _ : state) {
    RealTimePlayer player(effect, state.range(1) != 0);
    vsthost::EditorHost host(effect);
    if (!openShown(host)) {
      state.SkipWithError("the editor did not show its layout");
      return;
    }
    if (state.range(3) != 0) setup().driver.unmapWindow(host.window());
    // Past the set-up and the light's approach to its resting place (which moves the light
    // by less than a thousandth of a pixel a frame after about 4 s): the steady state only.
    for (int i = 0; i < 300; ++i) {
      host.idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    double cpuStart = benchsupport::processCpu();
    auto wallStart = Clock::now();
    auto end = wallStart + std::chrono::seconds(12);
    while (Clock::now() < end) {
      host.idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    share = (benchsupport::processCpu() - cpuStart) / wall;
    host.close();
  }
  state.counters["process_cpu_share_of_a_core"] = share;
}
BENCHMARK(EditorProcessCpu)
    ->ArgNames({"eye_candy", "playing", "constant_redraw", "hidden"})
    ->Args({1, 0, 1, 0})
    ->Args({0, 0, 1, 0})
    ->Args({1, 1, 1, 0})
    ->Args({0, 1, 1, 0})
    ->Args({1, 0, 0, 0})
    ->Args({1, 1, 0, 0})
    ->Args({1, 1, 1, 1})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

void MemoryPerEditor(benchmark::State& state) {
  if (!setup().ok) {
    state.SkipWithError("no display or plug-in");
    return;
  }
  setup().user.setNumbers({{kPreferenceEyeCandy, 1}});
  const int count = static_cast<int>(state.range(0));
  std::vector<double> growth;
  for (auto _ : state) {
    {
      vsthost::HostedEffect effect(setup().library);
      vsthost::EditorHost host(effect);
      if (!openShown(host)) {
        state.SkipWithError("the editor did not show its layout");
        return;
      }
      host.close();
    }
    std::vector<std::unique_ptr<vsthost::HostedEffect>> effects;
    std::vector<std::unique_ptr<vsthost::EditorHost>> hosts;
    for (int i = 0; i <= count; ++i) effects.emplace_back(new vsthost::HostedEffect(setup().library));
    auto openOne = [&](int i) {
      hosts.emplace_back(new vsthost::EditorHost(*effects[static_cast<size_t>(i)]));
      std::string error;
      bool ok = hosts.back()->open("product editor bench", error);
      // Side by side, so that every editor's picture is on show.
      setup().driver.moveWindow(hosts.back()->window(), 0, i * 330);
      return ok && waitLayout(*hosts.back());
    };
    // Past the set-up and the light's approach: what the editor keeps while it runs.
    auto settle = [&] {
      for (int tick = 0; tick < 50; ++tick) {
        for (auto& host : hosts) host->idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    };
    if (!benchsupport::openingsGrowth(count, openOne, settle, growth)) {
      state.SkipWithError("the editor did not show its layout");
      return;
    }
  }
  const double mib = 1024.0 * 1024.0;
  double further = 0.0;
  for (size_t i = 2; i < growth.size(); ++i) further += growth[i];
  if (growth.size() > 2) further /= static_cast<double>(growth.size() - 2);
  state.counters["first_editor_MiB"] = growth.size() > 0 ? growth[0] / mib : 0.0;
  state.counters["second_editor_MiB"] = growth.size() > 1 ? growth[1] / mib : 0.0;
  state.counters["per_further_editor_MiB"] = further / mib;
}
BENCHMARK(MemoryPerEditor)->Arg(5)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
