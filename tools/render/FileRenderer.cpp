#include "render/FileRenderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "render/EffectSetup.h"
#include "render/ProgressBar.h"
#include "render/SoundFile.h"
#include "vsthost/HostedEffect.h"

namespace render {
namespace {

constexpr int kMaxOutputChannels = 2;

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ignored;
  return std::filesystem::equivalent(a, b, ignored);
}

// Plug-in input channel `c` from one interleaved block of the file.
void feedInput(const std::vector<float>& interleaved, int fileChannels, int32_t c,
               int32_t inputs, int64_t frames, float* out) {
  if (inputs == 1 && fileChannels > 1) {
    for (int64_t f = 0; f < frames; ++f) {
      float sum = 0.0f;
      for (int k = 0; k < fileChannels; ++k) sum += interleaved[f * fileChannels + k];
      out[f] = sum / static_cast<float>(fileChannels);
    }
    return;
  }
  int source = fileChannels == 1 ? 0 : c;
  if (source >= fileChannels) {
    std::fill(out, out + frames, 0.0f);
    return;
  }
  for (int64_t f = 0; f < frames; ++f) out[f] = interleaved[f * fileChannels + source];
}

}  // namespace

int FileRenderer::render(const std::string& input, const std::string& output,
                         RenderSummary& summary, std::string& error) {
  SoundFile in;
  error = in.openRead(input);
  if (!error.empty()) return 1;
  if (sameFile(input, output)) {
    error = "output '" + output + "' is the input file; refusing to overwrite it";
    return 1;
  }
  const double rate = options_.sampleRate > 0.0 ? options_.sampleRate : in.sampleRate();
  const int32_t block = options_.blockSize;

  vsthost::HostOptions host;
  host.sampleRate = static_cast<float>(rate);
  host.blockSize = block;
  vsthost::HostedEffect effect(library_, host);
  if (!effect.valid()) {
    error = effect.error();
    return 1;
  }
  const AEffect* record = effect.record();
  const int32_t inputs = std::max(record->numInputs, 0);
  const int32_t outputs = record->numOutputs;
  if (outputs < 1) {
    error = "plug-in '" + library_.path() + "' has no audio outputs";
    return 1;
  }
  if (record->processReplacing == nullptr && record->process == nullptr) {
    error = "plug-in '" + library_.path() + "' has no processing function";
    return 1;
  }
  effect.open();
  effect.setSampleRate(static_cast<float>(rate));
  effect.setBlockSize(block);
  EffectSetup setup(effect);
  error = setup.apply(options_);
  if (!error.empty()) return 2;
  summary.program = setup.currentProgram();
  if (inputs > 1 && in.channels() > inputs)
    std::fprintf(stderr, "quorvella-render: warning: '%s' has %d channels, the plug-in takes %d\n",
                 input.c_str(), in.channels(), inputs);

  const int fileOut = std::min(outputs, kMaxOutputChannels);
  const int outRate = static_cast<int>(std::lround(rate));
  int format = 0;
  error = SoundFile::formatFor(output, in.format(), fileOut, outRate, format);
  if (!error.empty()) return 1;
  const int subtype = format & SF_FORMAT_SUBMASK;
  const bool integerOutput = subtype != SF_FORMAT_FLOAT && subtype != SF_FORMAT_DOUBLE;
  const std::string partial = output + ".part";
  SoundFile out;
  error = out.openWrite(partial, format, fileOut, outRate);
  if (!error.empty()) return 1;
  auto fail = [&](int status) {
    out.close();
    std::remove(partial.c_str());
    return status;
  };

  const int channels = in.channels();
  std::vector<float> fileBlock(static_cast<size_t>(block) * channels);
  std::vector<std::vector<float>> inBuffers(inputs, std::vector<float>(block));
  std::vector<std::vector<float>> outBuffers(outputs, std::vector<float>(block));
  std::vector<float*> inPointers;
  std::vector<float*> outPointers;
  for (auto& b : inBuffers) inPointers.push_back(b.data());
  for (auto& b : outBuffers) outPointers.push_back(b.data());
  std::vector<float> outBlock(static_cast<size_t>(block) * fileOut);

  const int64_t tailFrames = std::llround(options_.tailSeconds * rate);
  const int64_t expected = std::max<int64_t>(in.frames(), 0) + tailFrames;
  ProgressBar progress(input, ProgressBar::stderrIsTerminal());
  const auto started = std::chrono::steady_clock::now();

  effect.resume();
  int64_t written = 0;
  int64_t tailLeft = tailFrames;
  bool inputDone = false;
  while (true) {
    int64_t frames = 0;
    if (!inputDone) {
      frames = in.read(fileBlock.data(), block, error);
      if (!error.empty()) return fail(1);
      if (frames < block) inputDone = true;
    }
    // Pad a short last block, then the tail, with silence.
    int64_t silence = std::min<int64_t>(block - frames, tailLeft);
    std::fill(fileBlock.begin() + frames * channels,
              fileBlock.begin() + (frames + silence) * channels, 0.0f);
    tailLeft -= silence;
    frames += silence;
    if (frames == 0) break;

    for (int32_t c = 0; c < inputs; ++c)
      feedInput(fileBlock, channels, c, inputs, frames, inPointers[c]);
    effect.processReplacing(inPointers.data(), outPointers.data(), static_cast<int32_t>(frames));
    for (int64_t f = 0; f < frames; ++f) {
      for (int c = 0; c < fileOut; ++c) {
        float sample = outBuffers[c][f];
        if (!std::isfinite(sample)) {
          sample = 0.0f;
          ++summary.nonFinite;
        } else if (integerOutput && std::fabs(sample) > 1.0f) {
          ++summary.clipped;
        }
        outBlock[f * fileOut + c] = sample;
      }
    }
    error = out.write(outBlock.data(), frames);
    if (!error.empty()) return fail(1);
    written += frames;
    if (expected > 0) progress.update(static_cast<double>(written) / expected);
  }
  effect.suspend();
  effect.close();
  progress.finish();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  error = out.close();
  if (!error.empty()) return fail(1);
  std::error_code renamed;
  std::filesystem::rename(partial, output, renamed);
  if (renamed) {
    error = "cannot move '" + partial + "' to '" + output + "': " + renamed.message();
    return fail(1);
  }
  summary.frames = written;
  summary.seconds = static_cast<double>(written) / rate;
  summary.realTime = wall > 0.0 ? summary.seconds / wall : 0.0;
  return 0;
}

}  // namespace render
