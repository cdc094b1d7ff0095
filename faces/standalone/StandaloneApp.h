// quorvella-standalone: the product as a JACK client, with its editor in a window of its
// own above which a strip shows and steps the current program. It restores the programs
// saved at the last quit, runs until the window closes, SIGINT or SIGTERM arrives or the
// JACK server goes away, and saves the programs again.
//
// Owners and order: the product is made first (the JACK client's callbacks reach it from
// the moment they are installed) and goes last; the JACK client is closed before the state
// is read back for saving, so that no period changes a value meanwhile; the editor closes
// before its window goes.
//
// Threads: construction, run() and destruction on the main thread, which also drives the
// editor and the window. process() on JACK's real-time thread (no allocation, no lock, no
// wait); the other JACK callbacks on JACK's notification threads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "faces/standalone/JackClient.h"
#include "faces/standalone/JackMIDIReader.h"
#include "faces/standalone/StandaloneHost.h"
#include "faces/standalone/StandaloneOptions.h"
#include "platform/posix/StandaloneWindow.h"

class HvcQuorvella;

class StandaloneApp : private JackClient::Listener, private platform::StandaloneWindow::Listener {
public:
  enum ExitStatus : int { kQuit = 0, kFailed = 1, kBadCommandLine = 2, kCannotStart = 3 };

  explicit StandaloneApp(const StandaloneOptions& options);
  ~StandaloneApp() override;
  StandaloneApp(const StandaloneApp&) = delete;
  StandaloneApp& operator=(const StandaloneApp&) = delete;

  // The whole run; the exit status. Messages go to standard error, reports to standard
  // output.
  int run();

  // Where the state of the client `name` is kept ($XDG_CONFIG_HOME, else ~/.config, then
  // Halvercast/Quorvella/Standalone/<name>.state, with '/' in the name read as '_').
  static std::string statePath(const std::string& name);
  // The program that `which` names: its number (0-10), its name (letter case aside) or the
  // beginning of one name only; -1 when none or several.
  static int32_t findProgram(const HvcQuorvella& product, const std::string& which);

private:
  void process(const float* const inputs[2], float* const outputs[2], void* midiBuffer,
               uint32_t frames, uint32_t frameTime) noexcept override;
  void sampleRateChanged(uint32_t rate) override;
  void bufferSizeChanged(uint32_t frames) override;
  uint32_t latency() const override;
  void serverGone(const char* reason) noexcept override;
  void stepProgram(int step) override;

  void restoreState();
  bool saveState();
  bool openWindow();
  void showProgram();
  // Until a quit; the exit status. started: when run() began, for the first period's report.
  int loop(std::chrono::steady_clock::time_point started);

  const StandaloneOptions& options;
  StandaloneHost host;
  std::unique_ptr<HvcQuorvella> product;
  std::unique_ptr<JackClient> client;
  std::unique_ptr<platform::StandaloneWindow> window;
  JackMIDIReader midi;
  int32_t shownProgram = -1;

  std::atomic<bool> serverWentAway{false};
  char goneReason[256] = {};
  std::atomic<int64_t> firstFrameTime{-1};
};
