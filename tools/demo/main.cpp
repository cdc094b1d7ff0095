// quorvella-demo-input OUTPUT.wav: writes the demo bass line as a 16-bit mono WAV file.
#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "demo/DemoBassLine.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fprintf(argc == 2 ? stdout : stderr,
                 "Usage: quorvella-demo-input OUTPUT.wav\n"
                 "Writes an 8-second bass line (44.1 kHz, mono, 16-bit), the same on every "
                 "run.\n");
    return argc == 2 ? 0 : 2;
  }
  std::vector<float> samples = demo::DemoBassLine().render();
  SF_INFO info{};
  info.samplerate = demo::DemoBassLine::kSampleRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "quorvella-demo-input: cannot write '%s': %s\n", argv[1],
                 sf_strerror(nullptr));
    return 1;
  }
  const sf_count_t frames = static_cast<sf_count_t>(samples.size());
  sf_count_t written = sf_writef_float(file, samples.data(), frames);
  int closed = sf_close(file);
  if (written != frames || closed != 0) {
    std::fprintf(stderr, "quorvella-demo-input: cannot finish '%s'\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
