// The editor's costs, through the host boundary on a private Xvfb with the software GL:
// - OpenToFirstFrame: from the host's open (effEditGetRect, its window, effEditOpen) to the
//   first picture of the editor on the screen (read back from the X server every ms).
// - IdleRenderCpu: CPU time of the threads the opening started (the render thread and the
//   GL driver's workers) over wall time, while the editor sits untouched at its frame rate
//   and the host idles it every 20 ms.
// - MemoryPerEditor: resident memory growth per open editor, over several editors open at
//   once (after one opening that pays for the process-wide libraries).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ProcessUsage.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/editor/TestEditor.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using benchsupport::threadCpu;
using Clock = std::chrono::steady_clock;

struct Setup {
  Setup() { ok = displayUp && driver.ok() && library.open(QUORVELLA_TEST_EDITOR_PATH).empty(); }
  // The display first: the driver connects to it.
  bool displayUp = testsupport::XvfbDisplay::shared().ok();
  bool ok = false;
  testsupport::XTestDriver driver;
  vsthost::PluginLibrary library;
};

Setup& setup() {
  static Setup s;
  return s;
}

// The editor has drawn once its background shows at a spot no element covers.
bool drawn(vsthost::EditorHost& host) {
  auto kids = setup().driver.children(host.window());
  testsupport::Image image;
  if (kids.size() != 1 || !setup().driver.screenshot(kids[0], image)) return false;
  const testsupport::Pixel background{static_cast<int>(editortest::kBackground[0] * 255 + 0.5f),
                                      static_cast<int>(editortest::kBackground[1] * 255 + 0.5f),
                                      static_cast<int>(editortest::kBackground[2] * 255 + 0.5f)};
  return image.count(background, 360, 20, 380, 40, 6) == 400;
}

bool waitDrawn(vsthost::EditorHost& host) {
  auto limit = Clock::now() + std::chrono::seconds(60);
  while (!drawn(host)) {
    if (Clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void OpenToFirstFrame(benchmark::State& state) {
  if (!setup().ok) {
    state.SkipWithError("no display or test plug-in");
    return;
  }
  vsthost::HostedEffect effect(setup().library);
  for (auto _ : state) {
    vsthost::EditorHost host(effect);
    std::string error;
    auto start = Clock::now();
    if (!host.open("editor bench", error) || !waitDrawn(host)) {
      state.SkipWithError("the editor did not draw");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    host.close();
  }
}
BENCHMARK(OpenToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void IdleRenderCpu(benchmark::State& state) {
  if (!setup().ok) {
    state.SkipWithError("no display or test plug-in");
    return;
  }
  vsthost::HostedEffect effect(setup().library);
  double share = 0.0;
  for (auto _ : state) {
    std::map<int, double> before = threadCpu();
    vsthost::EditorHost host(effect);
    std::string error;
    if (!host.open("editor bench", error) || !waitDrawn(host)) {
      state.SkipWithError("the editor did not draw");
      return;
    }
    // Past the set-up: measure the steady state only.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // 3 s of a host idling every 20 ms
    share = benchsupport::idlingShare(before, [&] { host.idle(); }, 150);
    host.close();
  }
  state.counters["cpu_share_of_a_core"] = share;
}
BENCHMARK(IdleRenderCpu)->Unit(benchmark::kSecond)->Iterations(1);

void MemoryPerEditor(benchmark::State& state) {
  if (!setup().ok) {
    state.SkipWithError("no display or test plug-in");
    return;
  }
  const int count = static_cast<int>(state.range(0));
  double perEditor = 0.0, first = 0.0;
  for (auto _ : state) {
    std::vector<std::unique_ptr<vsthost::HostedEffect>> effects;
    std::vector<std::unique_ptr<vsthost::EditorHost>> hosts;
    for (int i = 0; i <= count; ++i) effects.emplace_back(new vsthost::HostedEffect(setup().library));
    auto openOne = [&](int i) {
      hosts.emplace_back(new vsthost::EditorHost(*effects[static_cast<size_t>(i)]));
      std::string error;
      bool ok = hosts.back()->open("editor bench", error);
      // Side by side, so that every editor's picture is on show.
      setup().driver.moveWindow(hosts.back()->window(), (i % 3) * 420, (i / 3) * 260);
      return ok && waitDrawn(*hosts.back());
    };
    if (!benchsupport::openingsMemory(count, openOne, first, perEditor)) {
      state.SkipWithError("the editor did not draw");
      return;
    }
  }
  state.counters["first_editor_MiB"] = first / (1024.0 * 1024.0);
  state.counters["per_further_editor_MiB"] = perEditor / (1024.0 * 1024.0);
}
BENCHMARK(MemoryPerEditor)->Arg(6)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
