#include "render/EditorSession.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#ifndef _WIN32
#include "render/EditorPicture.h"
#endif
#include "render/EffectSetup.h"
#include "render/SoundFile.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"

namespace render {

namespace {

// Each plug-in input reads the file's channel of that number; a mono file feeds all.
std::vector<std::vector<float>> loadChannels(SoundFile& file, int inputs, std::string& error) {
  const int channels = std::max(1, file.channels());
  std::vector<float> interleaved(static_cast<size_t>(std::max<int64_t>(0, file.frames())) *
                                 channels);
  int64_t frames = file.read(interleaved.data(), file.frames(), error);
  std::vector<std::vector<float>> out(static_cast<size_t>(std::max(1, inputs)),
                                      std::vector<float>(static_cast<size_t>(frames), 0.0f));
  for (int c = 0; c < inputs; ++c) {
    int source = channels == 1 ? 0 : c;
    if (source >= channels) continue;
    for (int64_t n = 0; n < frames; ++n)
      out[static_cast<size_t>(c)][static_cast<size_t>(n)] = interleaved[n * channels + source];
  }
  return out;
}

// One line per edit the plug-in reports, flushed at once so that a reader on a pipe sees
// each as it happens. One printf per line: lines from several threads never mix.
void printEdit(const vsthost::CallbackRecord& call) {
  switch (call.opcode) {
    case audioMasterBeginEdit:
      std::printf("begin edit %d\n", static_cast<int>(call.index));
      break;
    case audioMasterAutomate:
      std::printf("automate %d %.6g\n", static_cast<int>(call.index),
                  static_cast<double>(call.opt));
      break;
    case audioMasterEndEdit:
      std::printf("end edit %d\n", static_cast<int>(call.index));
      break;
    default:
      return;
  }
  std::fflush(stdout);
}

}  // namespace

int EditorSession::run(std::string& error) {
  SoundFile input;
  error = input.openRead(options_.inputs.front());
  if (!error.empty()) return 1;
  const float rate = static_cast<float>(options_.sampleRate > 0.0 ? options_.sampleRate
                                                                  : input.sampleRate());
  vsthost::HostOptions hostOptions;
  hostOptions.sampleRate = rate;
  hostOptions.blockSize = options_.blockSize;
  if (options_.showEdits) hostOptions.observer = printEdit;
  vsthost::HostedEffect effect(library_, hostOptions);
  if (!effect.valid()) {
    error = effect.error();
    return 1;
  }
  effect.open();
  effect.setSampleRate(rate);
  effect.setBlockSize(options_.blockSize);
  error = EffectSetup(effect).apply(options_);
  if (!error.empty()) return 2;

  const int inputs = std::max(0, effect.record()->numInputs);
  const int outputs = std::max(0, effect.record()->numOutputs);
  std::vector<std::vector<float>> source = loadChannels(input, inputs, error);
  if (!error.empty()) return 1;
  const size_t length = source.empty() ? 0 : source[0].size();

  vsthost::EditorHost editor(effect);
  if (options_.editor && !editor.open("quorvella-render: " + effect.effectName(), error)) return 1;
  effect.resume();

  std::atomic<bool> running{true};
  std::thread audio([&] {
    const int32_t block = options_.blockSize;
    std::vector<std::vector<float>> in(static_cast<size_t>(inputs), std::vector<float>(block));
    std::vector<std::vector<float>> out(static_cast<size_t>(outputs), std::vector<float>(block));
    std::vector<float*> inPointers, outPointers;
    for (auto& c : in) inPointers.push_back(c.data());
    for (auto& c : out) outPointers.push_back(c.data());
    const auto period = std::chrono::duration<double>(block / static_cast<double>(rate));
    auto next = std::chrono::steady_clock::now();
    size_t position = 0;
    while (running.load()) {
      for (int32_t n = 0; n < block; ++n) {
        for (int c = 0; c < inputs; ++c)
          in[static_cast<size_t>(c)][static_cast<size_t>(n)] =
              length == 0 ? 0.0f : source[static_cast<size_t>(c)][position];
        position = length == 0 ? 0 : (position + 1) % length;
      }
      effect.processReplacing(inPointers.data(), outPointers.data(), block);
      next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
      std::this_thread::sleep_until(next);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  const auto limit = std::chrono::duration<double>(options_.liveSeconds);
  std::function<bool()> keepGoing = [&] {
    return options_.liveSeconds <= 0.0 || std::chrono::steady_clock::now() - start < limit;
  };
#ifndef _WIN32
  // --picture: the first picture that shows a drawing, taken once the editor has had a
  // second to draw its first frames, then the session ends.
  int status = 0;
  if (!options_.picture.empty()) {
    keepGoing = [&, wait = std::chrono::seconds(1), give = std::chrono::seconds(20)]() {
      const auto elapsed = std::chrono::steady_clock::now() - start;
      if (elapsed < wait) return true;
      switch (EditorPicture::save(editor, options_.picture, error)) {
        case EditorPicture::Result::saved:
          return false;
        case EditorPicture::Result::notDrawnYet:
          if (elapsed < give) return true;
          error = "the editor drew nothing in its window within 20 s";
          break;
        case EditorPicture::Result::failed:
          break;
      }
      status = 1;
      return false;
    };
  }
#else
  const int status = 0;
#endif
  if (options_.editor) {
    editor.run(30, keepGoing);
  } else {
    while (keepGoing()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  running.store(false);
  audio.join();
  effect.suspend();
  effect.close();
  return status;
}

}  // namespace render
