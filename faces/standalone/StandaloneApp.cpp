#include "faces/standalone/StandaloneApp.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "dsp/QuorvellaParameters.h"
#include "effect/HvcQuorvella.h"
#include "framework/HvcEditor.h"
#include "framework/HvcProgram.h"
#include "gui/product/HvcQuorvellaView.h"
#include "platform/FileSystem.h"
#include "platform/posix/SmallFile.h"
#include "platform/posix/TerminationSignals.h"
#include "faces/standalone/StandaloneState.h"

namespace {

constexpr const char* kTool = "quorvella-standalone";
// The main loop's pace: the editor's idle calls, the window's events and the flags. Short
// enough that a quit by signal or a vanished server is acted on well within a second.
constexpr auto kTick = std::chrono::milliseconds(20);

using Clock = std::chrono::steady_clock;

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

StandaloneApp::StandaloneApp(const StandaloneOptions& options) : options(options) {}

StandaloneApp::~StandaloneApp() {
  if (product && product->getEditor() && product->getEditor()->isOpen())
    product->getEditor()->close();
  window.reset();
  client.reset();
}

std::string StandaloneApp::statePath(const std::string& name) {
  std::string file = name;
  std::replace(file.begin(), file.end(), '/', '_');
  if (file.empty() || file == "." || file == "..") file = "_" + file;
  const std::string config = platform::xdgBaseFolder("XDG_CONFIG_HOME", "/.config");
  if (config.empty()) return {};
  return config + "/Halvercast/Quorvella/Standalone/" + file + ".state";
}

int32_t StandaloneApp::findProgram(const HvcQuorvella& product, const std::string& which) {
  const int32_t count = HvcQuorvella::kNumPrograms;
  if (!which.empty() && std::all_of(which.begin(), which.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
      })) {
    const long number = which.size() > 3 ? count : std::strtol(which.c_str(), nullptr, 10);
    return number < count ? static_cast<int32_t>(number) : -1;
  }
  const std::string wanted = lower(which);
  int32_t found = -1, matches = 0;
  for (int32_t p = 0; p < count; ++p) {
    const std::string name = lower(product.program(p)->getName());
    if (name == wanted) return p;
    if (!wanted.empty() && name.rfind(wanted, 0) == 0) {
      found = p;
      ++matches;
    }
  }
  return matches == 1 ? found : -1;
}

void StandaloneApp::restoreState() {
  const std::string path = statePath(options.name);
  if (path.empty()) return;
  std::string text;
  switch (platform::SmallFile::read(path, StandaloneState::kMaxSize, text)) {
    case platform::SmallFile::ReadResult::kMissing:
      return;
    case platform::SmallFile::ReadResult::kFailed:
      std::fprintf(stderr, "%s: cannot read the saved state %s; starting from the factory "
                   "programs\n", kTool, path.c_str());
      return;
    case platform::SmallFile::ReadResult::kRead:
      break;
  }
  StandaloneState state;
  std::string damage;
  if (!state.parse(text, kQuorvellaParameters, kNumQuorvellaParameters,
                   HvcQuorvella::kNumPrograms, damage)) {
    // Kept aside rather than overwritten at quit: it may be the only copy of the user's
    // programs, and the fault may be a single edited line.
    const std::string aside = path + ".damaged";
    const bool kept = std::rename(path.c_str(), aside.c_str()) == 0;
    std::fprintf(stderr, "%s: the saved state %s is damaged (%s); starting from the factory "
                 "programs%s%s\n", kTool, path.c_str(), damage.c_str(),
                 kept ? ", the file is kept as " : "", kept ? aside.c_str() : "");
    return;
  }
  for (int32_t p = 0; p < HvcQuorvella::kNumPrograms; ++p) {
    const StandaloneState::Program& saved = state.programs[static_cast<size_t>(p)];
    HvcProgram* program = product->program(p);
    program->setName(saved.name.c_str());
    for (int32_t i = 0; i < kNumQuorvellaParameters; ++i)
      program->setValue(i, saved.values[static_cast<size_t>(i)]);
  }
  product->setProgram(state.current);
}

bool StandaloneApp::saveState() {
  const std::string path = statePath(options.name);
  StandaloneState state;
  state.current = product->getProgram();
  for (int32_t p = 0; p < HvcQuorvella::kNumPrograms; ++p) {
    const HvcProgram* program = product->program(p);
    StandaloneState::Program saved;
    saved.name = program->getName();
    for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) saved.values.push_back(program->getValue(i));
    state.programs.push_back(std::move(saved));
  }
  const std::string folder = path.substr(0, path.rfind('/'));
  if (path.empty() || !platform::SmallFile::makeFolders(folder) ||
      !platform::SmallFile::replace(path, state.format(kQuorvellaParameters,
                                                        kNumQuorvellaParameters), 0600)) {
    std::fprintf(stderr, "%s: cannot save the programs to %s\n", kTool,
                 path.empty() ? "the configuration folder (neither XDG_CONFIG_HOME nor HOME "
                                "is set)" : path.c_str());
    return false;
  }
  return true;
}

void StandaloneApp::process(const float* const inputs[2], float* const outputs[2],
                            void* midiBuffer, uint32_t frames, uint32_t frameTime) noexcept {
  const MIDIEventList events = midi.read(midiBuffer, frames);
  if (events.count > 0) product->processEvents(events);
  // The product takes at most the block size it was given; JACK announces every period
  // size before it uses it, so this splits only if a server breaks that promise.
  const uint32_t block = static_cast<uint32_t>(std::max(1, product->getBlockSize()));
  for (uint32_t done = 0; done < frames; done += block) {
    const uint32_t n = std::min(block, frames - done);
    float* in[2] = {const_cast<float*>(inputs[0]) + done, const_cast<float*>(inputs[1]) + done};
    float* out[2] = {outputs[0] + done, outputs[1] + done};
    product->processReplacing(in, out, static_cast<int32_t>(n));
  }
  int64_t none = -1;
  firstFrameTime.compare_exchange_strong(none, frameTime);
}

void StandaloneApp::sampleRateChanged(uint32_t rate) {
  product->suspend();
  product->setSampleRate(static_cast<float>(rate));
  product->resume();
}

void StandaloneApp::bufferSizeChanged(uint32_t frames) {
  product->suspend();
  product->setBlockSize(static_cast<int32_t>(frames));
  product->resume();
}

uint32_t StandaloneApp::latency() const {
  return static_cast<uint32_t>(std::max(0, product->getLatency()));
}

void StandaloneApp::serverGone(const char* reason) noexcept {
  std::snprintf(goneReason, sizeof(goneReason), "%s", reason ? reason : "");
  serverWentAway.store(true);
}

void StandaloneApp::stepProgram(int step) {
  const int32_t count = HvcQuorvella::kNumPrograms;
  product->setProgram((product->getProgram() + step + count) % count);
  showProgram();
}

void StandaloneApp::showProgram() {
  const int32_t current = product->getProgram();
  shownProgram = current;
  if (window)
    window->showProgram(std::to_string(current) + "   " + product->program(current)->getName());
}

bool StandaloneApp::openWindow() {
  HvcEditor* editor = product->getEditor();
  EditorRect* rect = nullptr;
  int width = 0, height = 0;
  if (editor && editor->getRect(&rect) && rect) {
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
  }
  window = std::make_unique<platform::StandaloneWindow>("Quorvella - " + options.name, width,
                                                        height, static_cast<platform::StandaloneWindow::Listener&>(*this));
  if (!window->ok()) {
    std::fprintf(stderr, "%s: %s; use --no-gui to run without a window\n", kTool,
                 window->error().c_str());
    window.reset();
    return false;
  }
  showProgram();
  if (editor) editor->open(reinterpret_cast<void*>(window->editorParent()));
  return true;
}

int StandaloneApp::run() {
  const auto started = Clock::now();
  platform::TerminationSignals signals;
  product = std::make_unique<HvcQuorvella>(&host, options.noGui ? nullptr
                                                                : &HvcQuorvellaView::create);
  restoreState();
  if (!options.program.empty()) {
    const int32_t chosen = findProgram(*product, options.program);
    if (chosen < 0) {
      std::string names;
      for (int32_t p = 0; p < HvcQuorvella::kNumPrograms; ++p)
        names += (p ? ", " : "") + std::to_string(p) + " " + product->program(p)->getName();
      std::fprintf(stderr,
                   "%s: \"%s\" names no program, or more than one (the programs are %s)\n", kTool,
                   options.program.c_str(), names.c_str());
      return kBadCommandLine;
    }
    product->setProgram(chosen);
  }

  client = std::make_unique<JackClient>(options.name, options.server,
                                        static_cast<JackClient::Listener&>(*this));
  if (!client->valid()) {
    std::fprintf(stderr, "%s: %s\n", kTool, client->error().c_str());
    return kCannotStart;
  }
  product->setSampleRate(static_cast<float>(client->sampleRate()));
  product->setBlockSize(static_cast<int32_t>(client->bufferSize()));
  product->resume();
  if (!options.noGui && !openWindow()) return kCannotStart;
  if (!client->activate()) {
    std::fprintf(stderr, "%s: %s\n", kTool, client->error().c_str());
    return kCannotStart;
  }
  host.takeLatencyChange();
  client->latencyChanged();
  if (options.connect) {
    const std::string failed = client->connectPhysicalPorts();
    if (!failed.empty())
      std::fprintf(stderr, "%s: could not connect %s\n", kTool, failed.c_str());
  }
  std::printf("%s: running as JACK client \"%s\" at %u Hz, %u frames a period, latency %d "
              "samples\n", kTool, client->name().c_str(), client->sampleRate(),
              client->bufferSize(), product->getLatency());
  std::fflush(stdout);

  const int status = loop(started);
  const float load = client->cpuLoad();
  if (product->getEditor() && product->getEditor()->isOpen()) product->getEditor()->close();
  window.reset();
  client.reset();
  product->suspend();
  if (options.verbose && status == kQuit)
    std::printf("%s: JACK's DSP load at quit %.2f %%\n", kTool, static_cast<double>(load));
  const bool saved = saveState();
  return status != kQuit ? status : saved ? kQuit : kFailed;
}

int StandaloneApp::loop(std::chrono::steady_clock::time_point started) {
  bool firstReported = false;
  for (;;) {
    if (serverWentAway.load()) {
      std::fprintf(stderr, "%s: the JACK server went away%s%s; quitting\n", kTool,
                   goneReason[0] ? ": " : "", goneReason);
      return kFailed;
    }
    if (const int signal = platform::TerminationSignals::requested()) {
      if (options.verbose) std::printf("%s: quitting on signal %d\n", kTool, signal);
      return kQuit;
    }
    if (window && !window->poll()) return kQuit;
    if (HvcEditor* editor = product->getEditor(); editor && editor->isOpen()) editor->idle();
    if (host.takeLatencyChange()) client->latencyChanged();
    if (host.takeDisplayChange() || product->getProgram() != shownProgram) showProgram();
    if (!firstReported && firstFrameTime.load() >= 0) {
      firstReported = true;
      if (options.verbose) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                             started);
        std::printf("%s: first period processed at frame time %lld, %lld ms after the start\n",
                    kTool, static_cast<long long>(firstFrameTime.load()),
                    static_cast<long long>(ms.count()));
        std::fflush(stdout);
      }
    }
    std::this_thread::sleep_for(kTick);
  }
}
