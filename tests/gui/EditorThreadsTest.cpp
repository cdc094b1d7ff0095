// Host automation at full speed from several threads while the test plug-in's editor is
// open, its render thread drawing and the host's thread idling it.
#include <atomic>

#include "tests/gui/EditorFixture.h"

namespace {

using namespace editortest;

using EditorThreads = EditorFixture;

TEST_F(EditorThreads, AutomationFromSeveralThreadsWhileTheEditorDraws) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  openAt(host, 100, 100);

  // Each thread owns some parameters (the layout's among them) and sweeps them; the last
  // value each writes is known, so the end state is too. The OSC port parameter is left
  // alone: it would move the plug-in's server between ports.
  constexpr int kThreads = 4, kRounds = 3000;
  const std::vector<std::vector<int32_t>> owned = {
      {kOffsetParameter, 0, 1}, {kSwitchParameter, 2, 3}, {kSteppedParameter, 4, 6}, {kToggleParameter, 7, 8}};
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round <= kRounds; ++round)
        for (int32_t index : owned[static_cast<size_t>(t)])
          effect.setParameter(index, round == kRounds ? 1.0f : static_cast<float>(round % 101) / 100.0f);
      ++finished;
    });
  // The host's thread idles the editor meanwhile, as a host does.
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(kGuardSeconds * 5);
  while (finished < kThreads && std::chrono::steady_clock::now() < limit) {
    ASSERT_TRUE(host.idle());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  for (auto& thread : threads) thread.join();
  for (const auto& indices : owned)
    for (int32_t index : indices) EXPECT_FLOAT_EQ(effect.getParameter(index), 1.0f) << index;
  // The editor still draws, and shows the final values.
  EXPECT_TRUE(idleUntil(host, [](const Image& image) {
    return drawn(image) && knobShows(image, kOffsetKnob, true) && knobShows(image, kSwitchKnob, true) &&
           knobShows(image, kSteppedKnob, true);
  }));
}

}  // namespace
