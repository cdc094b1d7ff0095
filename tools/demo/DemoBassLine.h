// A fixed eight-second bass line of plucked saw-like notes, computed with plain
// arithmetic so that every run and every machine produces the same samples (no random
// numbers, no clock, no state outside the object).
#pragma once

#include <vector>

namespace demo {

class DemoBassLine {
 public:
  static constexpr int kSampleRate = 44100;
  static constexpr double kBeatsPerMinute = 120.0;

  // The whole line, mono, peak below 0.5.
  std::vector<float> render() const;

  // Length in frames: 32 eighth notes at 120 BPM, i.e. 8 seconds.
  static int frames();
};

}  // namespace demo
