// The render thread of an open editor: it owns the editor's GL contexts for its whole life,
// runs a frame about every 33 ms (the client decides whether the frame draws anything),
// and re-renders the labels layer when asked. While the client reports its window hidden
// the loop wakes only every kHiddenWaitMs, or at once when woken.
//
// Threads: start(), stop() and requestLabels() on the host's user-interface thread (stop()
// from the editor's close); requestLabels() and wake() from any thread. Every Client operation runs
// on the render thread only, in this order: setUp, then per iteration beginFrame and frame
// (and labels when asked), then tearDown.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Event.h"
#include "platform/Thread.h"

namespace HC {

class RenderTask {
public:
  // Six auto-reset events wake the loop: stop, wake (run a frame now) and labels-dirty are
  // the ones with senders.
  enum : int { kStopEvent = 0, kWakeEvent = 1, kLabelsEvent = 5, kEventCount = 6 };
  static constexpr int kFrameWaitMs = 33;
  static constexpr int kHiddenWaitMs = 500;
  static constexpr int kStopTimeoutMs = 5000;

  // What the loop drives.
  class Client {
  public:
    virtual ~Client() = default;
    virtual void setUp() = 0;        // GL set-up, including the first labels pass
    // One frame: meters, effect updates, and drawing with the swap when the picture changed;
    // true when it drew.
    virtual bool frame() = 0;
    virtual void labels() = 0;       // the labels pass
    virtual void tearDown() = 0;     // GL teardown
    // After a frame: whether the window was hidden then (the loop then sleeps longer).
    virtual bool hidden() const { return false; }
  };

  // Frame timing, written by the render thread after every frame.
  struct Timing {
    std::atomic<float> framesPerSecond{0.0f};
    std::atomic<float> frameSeconds{0.000001f};
    std::atomic<double> elapsedSeconds{0.0};
    std::atomic<uint32_t> frames{0};
    std::atomic<uint32_t> framesDrawn{0};  // of those, the frames that drew
  };

  RenderTask() = default;
  ~RenderTask();  // stops a running thread
  RenderTask(const RenderTask&) = delete;
  RenderTask& operator=(const RenderTask&) = delete;

  // Creates the events and the thread. A second start prints "double call to
  // CreateRenderTask()\n"; a thread that cannot be created prints "failed to create render
  // thread: %d\n" with the system's code (both on standard output). False in both cases.
  bool start(Client* client);
  // Signals stop and waits up to kStopTimeoutMs; a thread that has not ended by then is
  // cancelled and waited for. Nothing when not started.
  void stop();
  bool started() const { return running; }
  void requestLabels() { events[kLabelsEvent].signal(); }
  // Runs the next frame now instead of at the end of the wait (a window shown again).
  void wake() { events[kWakeEvent].signal(); }

  const Timing& timing() const { return clock; }

private:
  static void threadMain(void* self);
  void loop();

  Client* client = nullptr;
  platform::Event events[kEventCount];
  platform::Thread thread;
  Timing clock;
  bool running = false;
};

}  // namespace HC
