#include "gui/editor/RenderTask.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/Output.h"

namespace HC {

namespace {

void print(const char* text) { platform::consoleOutput(text, std::strlen(text)); }

}  // namespace

RenderTask::~RenderTask() { stop(); }

bool RenderTask::start(Client* renderClient) {
  if (running) {
    print("double call to CreateRenderTask()\n");
    return false;
  }
  // Events left signalled by an earlier run would end or disturb this one.
  for (platform::Event& event : events)
    while (event.wait(0)) {
    }
  client = renderClient;
  int error = thread.start(&RenderTask::threadMain, this);
  if (error != 0) {
    char text[64];
    std::snprintf(text, sizeof text, "failed to create render thread: %d\n", error);
    print(text);
    return false;
  }
  running = true;
  return true;
}

void RenderTask::stop() {
  if (!running) return;
  events[kStopEvent].signal();
  if (!thread.join(kStopTimeoutMs)) {
    // A thread stuck in the GL driver: it ends at its next cancellation point.
    thread.cancel();
    thread.join(platform::Thread::kInfinite);
  }
  running = false;
}

void RenderTask::threadMain(void* self) { static_cast<RenderTask*>(self)->loop(); }

void RenderTask::loop() {
  using Clock = std::chrono::steady_clock;
  platform::Event* wake[kEventCount];
  for (int i = 0; i < kEventCount; ++i) wake[i] = &events[i];

  client->setUp();
  double previousRate = 0.0;
  double elapsed = 0.0;
  // A frame lasts from one clock reading to the next: drawing and the wait before it.
  Clock::time_point last = Clock::now();
  for (;;) {
    if (client->frame()) clock.framesDrawn.fetch_add(1, std::memory_order_relaxed);
    Clock::time_point now = Clock::now();
    double seconds = std::chrono::duration<double>(now - last).count();
    last = now;
    if (seconds < 0.000001) seconds = 0.000001;
    double rate = (1.0 / seconds + previousRate) / 2.0;
    if (rate > 1000000.0) rate = 0.0;
    previousRate = 1.0 / seconds;
    elapsed += seconds;
    clock.frameSeconds.store(static_cast<float>(seconds), std::memory_order_relaxed);
    clock.framesPerSecond.store(static_cast<float>(rate), std::memory_order_relaxed);
    clock.elapsedSeconds.store(elapsed, std::memory_order_relaxed);
    clock.frames.fetch_add(1, std::memory_order_release);

    int wait = client->hidden() ? kHiddenWaitMs : kFrameWaitMs;
    int which = platform::Event::waitAny(wake, kEventCount, wait);
    if (which == kStopEvent) break;
    if (which == kLabelsEvent) client->labels();
  }
  client->tearDown();
}

}  // namespace HC
