#include "dsp/QuorvellaSignalPath.h"

#include <algorithm>
#include <cstring>

#include "dsp/BlockPreparation.h"
#include "dsp/CQuorvellaKernelPair.h"
#include "dsp/DenormalGuard.h"
#include "dsp/PortableMath.h"

QuorvellaSignalPath::QuorvellaSignalPath() {
  for (int32_t c = 0; c < kChannels; ++c) kernels[c].reset(new CQuorvellaKernel(settings, scratch, c));
  scratch.resize(kInitialBlockSize);
}

QuorvellaSignalPath::~QuorvellaSignalPath() = default;

void QuorvellaSignalPath::setBlockSize(int32_t size) { scratch.resize(size); }

void QuorvellaSignalPath::clear() {
  std::memset(&settings, 0, sizeof(settings));
  meters.clear();
}

int32_t QuorvellaSignalPath::latencyFor(float sampleRate) {
  return BlockPreparation::lookAheadFor(sampleRate);
}

void QuorvellaSignalPath::process(const float* values, float sampleRate, float* const* inputs,
                                  float* const* outputs, uint32_t frames) noexcept {
  DenormalGuard flushSubnormals;
  BlockPreparation::prepare(settings, preparationMemory, values, sampleRate, frames);

  // A host block longer than the announced block size goes through the kernels in pieces
  // that fit the scratch buffer.
  const uint32_t piece = static_cast<uint32_t>(scratch.size());
  if (piece == 0 || !scratch.data()) {
    // The buffer was never allocated (the machine had no memory for it): the kernels cannot
    // filter, so the block is silent rather than left as the host's garbage.
    for (int c = 0; c < kChannels; ++c)
      if (outputs[c]) std::fill(outputs[c], outputs[c] + frames, 0.0f);
    return;
  }
  float* in[2] = {inputs[0], inputs[1]};
  float* out[2] = {outputs[0], outputs[1]};
  // The two channels run in lock-step when the buffers allow it; the result is the same as
  // running the kernels one after the other, only faster.
  const bool paired = kernelPairing && CQuorvellaKernelPair::suits(in, out, frames);
  float* filtered[2] = {scratch.channel(0), scratch.channel(1)};
  uint32_t done = 0;
  do {
    uint32_t n = frames - done < piece ? frames - done : piece;
    float* pieceIn[2] = {in[0] ? in[0] + done : nullptr, in[1] ? in[1] + done : nullptr};
    float* pieceOut[2] = {out[0] ? out[0] + done : nullptr, out[1] ? out[1] + done : nullptr};
    if (paired) {
      CQuorvellaKernelPair pair(*kernels[0], *kernels[1], laneSteps);
      pair.process(pieceIn, pieceOut, filtered, n);
    } else {
      runKernels(pieceIn, pieceOut, n);
    }
    done += n;
  } while (done < frames);

  for (auto& kernel : kernels) kernel->recoverFromNonFiniteState();
  updateMeters(sampleRate, frames);
}

// The per-kernel path: each kernel over its own channel, one after the other.
void QuorvellaSignalPath::runKernels(float* const* inputs, float* const* outputs,
                                     uint32_t frames) noexcept {
  bool silence = false;
  for (int c = 0; c < kChannels; ++c) {
    if (!inputs[c] || !outputs[c]) continue;
    kernels[c]->process(inputs[c], outputs[c], frames, 1, silence);
  }
}

void QuorvellaSignalPath::updateMeters(float sampleRate, uint32_t frames) noexcept {
  double e = pmath::exp(-static_cast<double>(frames) / (0.03 * sampleRate));
  for (int c = 0; c < kChannels; ++c) {
    const CQuorvellaKernel& k = *kernels[c];
    meters.update(c, e, k.getPeriod(), sampleRate, k.getCycleLevel(), k.getEnv(), k.getNoCrossing());
  }
}
