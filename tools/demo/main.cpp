// quorvella-demo-input [--float | --chirp] OUTPUT.wav: writes the demo bass line (16-bit or
// 32-bit float) or a test sweep (32-bit float) as a mono WAV file.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "demo/DemoBassLine.h"

namespace {

// A logarithmic sine sweep from 20 Hz to 20 kHz over 4 seconds at half scale: every
// frequency the effect measures, the same samples on every run and every system (the phase
// is summed in double precision from the same formula).
std::vector<float> chirp(int sampleRate) {
  const double seconds = 4.0, f0 = 20.0, f1 = 20000.0;
  const size_t frames = static_cast<size_t>(seconds * sampleRate);
  const double ratio = std::log(f1 / f0);
  std::vector<float> out(frames);
  double phase = 0.0;
  for (size_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / frames;
    double f = f0 * std::exp(ratio * t);
    out[i] = static_cast<float>(0.5 * std::sin(phase));
    phase += 2.0 * M_PI * f / sampleRate;
    if (phase > 2.0 * M_PI) phase -= 2.0 * M_PI;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc == 3 ? argv[1] : "";
  bool usage = !(argc == 2 || (argc == 3 && (mode == "--float" || mode == "--chirp")));
  if (usage || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fprintf(usage ? stderr : stdout,
                 "Usage: quorvella-demo-input [--float | --chirp] OUTPUT.wav\n"
                 "Writes an 8-second bass line (44.1 kHz, mono, 16-bit; 32-bit float with "
                 "--float), or with --chirp a 4-second sweep from 20 Hz to 20 kHz (44.1 kHz, "
                 "mono, 32-bit float), the same on every run.\n");
    return usage ? 2 : 0;
  }
  const char* path = argv[argc - 1];
  std::vector<float> samples = mode == "--chirp" ? chirp(demo::DemoBassLine::kSampleRate)
                                                 : demo::DemoBassLine().render();
  SF_INFO info{};
  info.samplerate = demo::DemoBassLine::kSampleRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | (mode.empty() ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
  SNDFILE* file = sf_open(path, SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "quorvella-demo-input: cannot write '%s': %s\n", path,
                 sf_strerror(nullptr));
    return 1;
  }
  const sf_count_t frames = static_cast<sf_count_t>(samples.size());
  sf_count_t written = sf_writef_float(file, samples.data(), frames);
  int closed = sf_close(file);
  if (written != frames || closed != 0) {
    std::fprintf(stderr, "quorvella-demo-input: cannot finish '%s'\n", path);
    std::remove(path);
    return 1;
  }
  return 0;
}
