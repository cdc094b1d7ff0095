// The standalone application's side of the product's host interface. The application is
// its own host: there is no automation to record (the programs are saved at quit), so edits
// need no answer; what matters is passed on to the main loop as flags, because the calls
// come from the audio, script, OSC and editor threads and must never block.
//
// Threads: every method from any thread; the flags are atomics.
#pragma once

#include <atomic>

#include "framework/HostInterface.h"

class StandaloneHost : public HostInterface {
public:
  void beginEdit(int32_t) override {}
  void endEdit(int32_t) override {}
  void automate(int32_t, float, float) override {}
  void updateDisplay() override { displayChanged.store(true); }
  void latencyChanged(int32_t) override { latencyChangedFlag.store(true); }

  // Each returns whether the event happened since the last call, and forgets it.
  bool takeDisplayChange() { return displayChanged.exchange(false); }
  bool takeLatencyChange() { return latencyChangedFlag.exchange(false); }

private:
  std::atomic<bool> displayChanged{false};
  std::atomic<bool> latencyChangedFlag{false};
};
