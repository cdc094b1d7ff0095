// Drives the signal core directly, block by block, as the product's processing call does:
// the live values of the current program, the sample rate and the block size, with no
// host, script or editor behind them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "dsp/QuorvellaSignalPath.h"

// The eleven factory programs, one of them current, in front of one signal path.
class SignalHarness {
public:
  SignalHarness() {
    for (int p = 0; p < kNumFactoryPrograms; ++p) factoryProgramValues(kFactoryPrograms[p], programs[p]);
  }

  void setProgram(int program) { current = program; }
  void setPlainValue(int index, float value) { programs[current][index] = value; }
  float getPlainValue(int index) const { return programs[current][index]; }
  void setSampleRate(float rate) { sampleRate = rate; }
  float getSampleRate() const { return sampleRate; }
  void setBlockSize(int32_t size) { path.setBlockSize(size); }
  void setKernelPairing(bool enabled) { path.setKernelPairing(enabled); }
  void setLaneSteps(LaneSteps steps) { path.setLaneSteps(steps); }

  void processReplacing(float** inputs, float** outputs, int32_t frames) {
    if (!inputs || !outputs || frames < 0) return;
    path.process(programs[current], sampleRate, inputs, outputs, static_cast<uint32_t>(frames));
  }

  const BlockSettings& getBlockSettings() const { return path.getBlockSettings(); }
  const MeterValues& getMeters() const { return path.getMeters(); }
  const CQuorvellaKernel& kernel(int channel) const { return path.kernel(channel); }
  int32_t getScratchSize() const { return path.getScratchSize(); }
  const float* getScratchBuffer() const { return path.getScratchBuffer(); }
  void copyMeterValues(void* buffer) const { path.getMeters().copyTo(buffer); }

private:
  QuorvellaSignalPath path;
  float programs[kNumFactoryPrograms][kNumQuorvellaParameters];
  int current = 0;
  float sampleRate = 44100.0f;
};

struct StereoBuffer {
  std::vector<float> left, right;
  explicit StereoBuffer(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
};

// Renders input through the effect in blocks of blockSize frames.
inline StereoBuffer renderBlocks(SignalHarness& effect, const StereoBuffer& input,
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
