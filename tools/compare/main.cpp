// quorvella-compare-audio [--skip N] A B: exit 0 when two sound files hold the same
// samples bit for bit (same channel count, frame count and rate; headers and metadata are
// not compared), 1 when they differ (the first differing frame and the largest difference
// are printed), 2 when a file cannot be read. With --skip, A's first N frames are left out:
// B is a render by a host that removed a delay of N frames, A the plug-in's own output.
#include <sndfile.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Samples {
  SF_INFO info{};
  std::vector<float> data;
};

bool load(const char* path, Samples& out) {
  SNDFILE* file = sf_open(path, SFM_READ, &out.info);
  if (file == nullptr) {
    std::fprintf(stderr, "quorvella-compare-audio: cannot read '%s': %s\n", path,
                 sf_strerror(nullptr));
    return false;
  }
  out.data.resize(static_cast<size_t>(out.info.frames) * static_cast<size_t>(out.info.channels));
  sf_count_t got = sf_readf_float(file, out.data.data(), out.info.frames);
  sf_close(file);
  if (got != out.info.frames) {
    std::fprintf(stderr, "quorvella-compare-audio: '%s' ended early\n", path);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long long skip = 0;
  if (argc == 5 && std::strcmp(argv[1], "--skip") == 0) {
    char* end = nullptr;
    skip = std::strtoll(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || skip < 0) skip = -1;
    argv += 2;
    argc -= 2;
  }
  if (argc != 3 || skip < 0) {
    std::fprintf(stderr, "Usage: quorvella-compare-audio [--skip FRAMES] A B\n");
    return 2;
  }
  Samples a, b;
  if (!load(argv[1], a) || !load(argv[2], b)) return 2;
  if (skip > a.info.frames) {
    std::printf("differ: '%s' has %lld frames, fewer than the %lld to skip\n", argv[1],
                static_cast<long long>(a.info.frames), skip);
    return 1;
  }
  a.data.erase(a.data.begin(), a.data.begin() + static_cast<std::ptrdiff_t>(skip * a.info.channels));
  a.info.frames -= skip;
  if (a.info.channels != b.info.channels || a.info.frames != b.info.frames ||
      a.info.samplerate != b.info.samplerate) {
    std::printf("differ: %d x %lld at %d Hz against %d x %lld at %d Hz\n", a.info.channels,
                static_cast<long long>(a.info.frames), a.info.samplerate, b.info.channels,
                static_cast<long long>(b.info.frames), b.info.samplerate);
    return 1;
  }
  long long first = -1, count = 0;
  double largest = 0.0;
  for (size_t i = 0; i < a.data.size(); ++i) {
    if (std::memcmp(&a.data[i], &b.data[i], sizeof(float)) == 0) continue;
    if (first < 0) first = static_cast<long long>(i) / a.info.channels;
    ++count;
    largest = std::fmax(largest, std::fabs(static_cast<double>(a.data[i]) - b.data[i]));
  }
  if (count == 0) {
    std::printf("identical: %lld frames x %d channels\n", static_cast<long long>(a.info.frames),
                a.info.channels);
    return 0;
  }
  std::printf("differ: %lld samples, first at frame %lld, largest difference %g\n", count, first,
              largest);
  return 1;
}
