// Drives an effect object directly, block by block, as a host's audio thread would.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "effect/HvcQuorvella.h"

struct StereoBuffer {
  std::vector<float> left, right;
  explicit StereoBuffer(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
};

// Renders input through the effect in blocks of blockSize frames.
inline StereoBuffer renderBlocks(HvcQuorvella& effect, const StereoBuffer& input,
                                 size_t blockSize) {
  StereoBuffer output(input.left.size());
  for (size_t start = 0; start < input.left.size(); start += blockSize) {
    size_t n = std::min(blockSize, input.left.size() - start);
    float* in[2] = {const_cast<float*>(input.left.data() + start),
                    const_cast<float*>(input.right.data() + start)};
    float* out[2] = {output.left.data() + start, output.right.data() + start};
    effect.processReplacing(in, out, static_cast<int32_t>(n));
  }
  return output;
}

inline StereoBuffer sine(size_t frames, double hz, double sampleRate, double amplitude = 0.5) {
  StereoBuffer b(frames);
  for (size_t i = 0; i < frames; ++i) {
    float v = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * i / sampleRate));
    b.left[i] = v;
    b.right[i] = v;
  }
  return b;
}

// A deterministic noise-like signal (linear congruential), different on each channel.
inline StereoBuffer noise(size_t frames, uint32_t seed = 12345) {
  StereoBuffer b(frames);
  uint32_t state = seed;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(state >> 8) - (1 << 23)) / float(1 << 23);
  };
  for (size_t i = 0; i < frames; ++i) {
    b.left[i] = next();
    b.right[i] = next();
  }
  return b;
}
