// What the signal path does to a signal, measured from the samples: envelope times, pulse
// width, channel independence and meter order, and the factory programs' exact outputs.
// Each check runs through both processing paths (lock-step and per kernel), so that a fault
// made the same way in both is still caught.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "effect/CQuorvellaKernel.h"
#include "effect/FactoryPrograms.h"
#include "effect/QuorvellaParameters.h"
#include "tests/core/EffectHarness.h"

namespace {

constexpr double kRate = 44100.0;

std::unique_ptr<HvcQuorvella> makeEffect(bool paired, int32_t blockSize = 512) {
  std::unique_ptr<HvcQuorvella> effect(new HvcQuorvella(nullptr));
  effect->setKernelPairing(paired);
  effect->setSampleRate(static_cast<float>(kRate));
  effect->setBlockSize(blockSize);
  return effect;
}

const char* pathName(bool paired) { return paired ? "lock-step path" : "per-kernel path"; }

// --- Factory program checksums ------------------------------------------------------------

// Stereo material made only of integer and float operations (no libm), so that it is the
// same on every machine: decaying saw notes of whole-sample periods with a little noise on
// the left, a slower pulse-like pattern on the right, and gaps of silence on both.
StereoBuffer checksumMaterial(size_t frames) {
  StereoBuffer b(frames);
  const uint32_t periodsL[] = {401, 267, 150, 89, 535, 120};
  const uint32_t periodsR[] = {300, 211, 98, 640, 175};
  uint32_t noise = 2463534242u;
  float decayL = 1.0f, decayR = 1.0f;
  for (size_t i = 0; i < frames; ++i) {
    const size_t noteL = i / 6000, noteR = i / 7700;
    if (i % 6000 == 0) decayL = 0.8f;
    if (i % 7700 == 0) decayR = 0.6f;
    decayL *= 0.99985f;
    decayR *= 0.9999f;
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    const float n = static_cast<float>(static_cast<int32_t>(noise)) * (1.0f / 2147483648.0f);
    const uint32_t pL = periodsL[noteL % 6], pR = periodsR[noteR % 5];
    const float saw = 2.0f * static_cast<float>(i % pL) / static_cast<float>(pL) - 1.0f;
    const float pulse = (i % pR) < pR / 3 ? 1.0f : -0.5f;
    b.left[i] = noteL % 4 == 3 ? 0.0f : decayL * saw + 0.01f * n;
    b.right[i] = noteR % 5 == 4 ? 0.0f : decayR * pulse;
  }
  return b;
}

// FNV-1a over the bit patterns of both channels' samples.
uint64_t checksum(const StereoBuffer& b) {
  uint64_t hash = 1469598103934665603ull;
  auto add = [&hash](float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int byte = 0; byte < 4; ++byte) {
      hash ^= (bits >> (8 * byte)) & 0xffu;
      hash *= 1099511628211ull;
    }
  };
  for (size_t i = 0; i < b.left.size(); ++i) {
    add(b.left[i]);
    add(b.right[i]);
  }
  return hash;
}

// Renders the material in blocks of changing length, as hosts do.
StereoBuffer renderVarying(HvcQuorvella& effect, const StereoBuffer& in) {
  StereoBuffer out(in.left.size());
  const size_t sizes[] = {512, 64, 511, 1, 300, 512, 128};
  size_t start = 0;
  for (int i = 0; start < in.left.size(); ++i) {
    const size_t n = std::min(sizes[i % 7], in.left.size() - start);
    float* ins[2] = {const_cast<float*>(in.left.data() + start), const_cast<float*>(in.right.data() + start)};
    float* outs[2] = {out.left.data() + start, out.right.data() + start};
    effect.processReplacing(ins, outs, static_cast<int32_t>(n));
    start += n;
  }
  return out;
}

// Every factory program's output on the material above, 44.1 kHz, from a fresh instance.
// These pin the samples: any change to them must be a conscious one. When a change of the
// output is intended, run this test, check that the differences are the ones wanted, and
// replace the numbers with the "got" values that the failures print.
TEST(FactoryProgramChecksums, OutputsArePinned) {
  const uint64_t pinned[kNumFactoryPrograms] = {
      0x4e0289ef07c43271ull, 0x687947ee4160fec2ull, 0x38f14652e5362e56ull, 0xa36fa5feec945ccdull,
      0xddf8a0a7e963e3a9ull, 0x422da936688374ffull, 0xeb488e1ecf97c73eull, 0x43e77e2efb447ff0ull,
      0xd8e8a1d4750152dfull, 0xaff2bed5ccc6083aull, 0x955e32c7cba82c2aull,
  };
  const StereoBuffer in = checksumMaterial(100000);
  for (int p = 0; p < kNumFactoryPrograms; ++p) {
    for (bool paired : {true, false}) {
      auto effect = makeEffect(paired);
      effect->setProgram(p);
      const uint64_t got = checksum(renderVarying(*effect, in));
      char text[32];
      std::snprintf(text, sizeof text, "0x%016llxull", static_cast<unsigned long long>(got));
      EXPECT_EQ(got, pinned[p]) << kFactoryPrograms[p].name << " (" << pathName(paired)
                                << "): got " << text;
    }
  }
}

// Parameter sets drawn anywhere inside the descriptors' ranges, ends included, pinned the
// same way: guards against values outside the ranges must leave every in-range sample alone.
// Regenerate as above when a change of the output is intended.
TEST(FactoryProgramChecksums, InRangeParameterSetsArePinned) {
  const uint64_t pinned = 0x54055fa99ec99951ull;
  const StereoBuffer in = checksumMaterial(16000);
  uint32_t state = 12345u;
  auto unit = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) * (1.0f / 16777216.0f);
  };
  for (bool paired : {true, false}) {
    uint64_t combined = 0;
    state = 12345u;
    for (int set = 0; set < 40; ++set) {
      auto effect = makeEffect(paired);
      for (int i = 0; i < kNumQuorvellaParameters; ++i) {
        const ParameterDescriptor& d = kQuorvellaParameters[i];
        const float r = unit();
        float v = r < 0.1f ? d.minimum : r > 0.9f ? d.maximum : d.minimum + (d.maximum - d.minimum) * unit();
        if (d.unit == kUnitIndexed || d.unit == kUnitBoolean) v = std::floor(v + 0.5f);
        if (i == kOscPortOffset) v = 0.0f;  // no server
        effect->setPlainValue(i, v);
      }
      combined = combined * 31u + checksum(renderVarying(*effect, in));
    }
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llxull", static_cast<unsigned long long>(combined));
    EXPECT_EQ(combined, pinned) << pathName(paired) << ": got " << text;
  }
}

}  // namespace
