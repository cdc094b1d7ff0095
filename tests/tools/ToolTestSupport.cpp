#include "ToolTestSupport.h"

#include <sndfile.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

namespace toolstest {
namespace {
constexpr double kTwoPi = 6.283185307179586476925;
}  // namespace

std::string quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

#if defined(__SANITIZE_ADDRESS__)
ForeignLeakScope::ForeignLeakScope() { __lsan_disable(); }
ForeignLeakScope::~ForeignLeakScope() { __lsan_enable(); }
#else
ForeignLeakScope::ForeignLeakScope() = default;
ForeignLeakScope::~ForeignLeakScope() = default;
#endif

CommandResult run(const std::string& command) {
  TempFolder dir;
  std::string out = dir.file("stdout");
  std::string err = dir.file("stderr");
  int raw = std::system((command + " >" + quote(out) + " 2>" + quote(err)).c_str());
  CommandResult result;
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = readFile(out);
  result.err = readFile(err);
  return result;
}

bool writeWav(const std::string& path, const Audio& audio, int sampleRate) {
  SF_INFO info{};
  info.channels = static_cast<int>(audio.size());
  info.samplerate = sampleRate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const size_t frames = audio.empty() ? 0 : audio[0].size();
  std::vector<float> interleaved(frames * audio.size());
  for (size_t f = 0; f < frames; ++f)
    for (size_t c = 0; c < audio.size(); ++c) interleaved[f * audio.size() + c] = audio[c][f];
  bool ok = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames)) ==
            static_cast<sf_count_t>(frames);
  return sf_close(file) == 0 && ok;
}

Audio readAudio(const std::string& path, int* sampleRate, int* format) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::vector<float> interleaved(static_cast<size_t>(info.frames * info.channels));
  sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  Audio audio(static_cast<size_t>(info.channels), std::vector<float>(static_cast<size_t>(got)));
  for (sf_count_t f = 0; f < got; ++f)
    for (int c = 0; c < info.channels; ++c) audio[c][f] = interleaved[f * info.channels + c];
  if (sampleRate != nullptr) *sampleRate = info.samplerate;
  if (format != nullptr) *format = info.format;
  return audio;
}

Audio testSignal(int channels, int frames, int impulseAt) {
  Audio audio(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames)));
  for (int c = 0; c < channels; ++c) {
    for (int n = 0; n < frames; ++n) {
      double t = n / 44100.0;
      double v = std::exp(-t * 3.0) * (0.3 * std::sin(kTwoPi * (220.0 + 110.0 * c) * t) +
                                       0.2 * std::sin(kTwoPi * 1375.0 * t));
      audio[c][n] = static_cast<float>(v);
    }
    if (impulseAt >= 0 && impulseAt < frames) audio[c][impulseAt] = c == 0 ? 0.9f : -0.7f;
  }
  return audio;
}

}  // namespace toolstest
