#include "dsp/CQuorvellaKernelPair.h"

#include <algorithm>
#include <cstdint>

#include "dsp/WideLaneSteps.h"

// The packed path needs SSE2 and 64-bit general registers (x86-64).
#if defined(__SSE2__) && defined(__x86_64__)
#define QUORVELLA_PAIRED_LANES 1
#include <emmintrin.h>
#endif

namespace {

using Kernel = CQuorvellaKernel;
constexpr uint32_t kSize = static_cast<uint32_t>(Kernel::kHistorySize);
constexpr uint32_t kMask = static_cast<uint32_t>(Kernel::kHistoryMask);

bool overlaps(const float* a, const float* b, uint32_t frames) {
  const uintptr_t pa = reinterpret_cast<uintptr_t>(a);
  const uintptr_t pb = reinterpret_cast<uintptr_t>(b);
  const uintptr_t bytes = static_cast<uintptr_t>(frames) * sizeof(float);
  return pa < pb + bytes && pb < pa + bytes;
}

}  // namespace

CQuorvellaKernelPair::CQuorvellaKernelPair(Kernel& left, Kernel& right, LaneSteps steps) noexcept
    : kernels{&left, &right}, runs{}, steps(steps) {
#if defined(QUORVELLA_WIDE_LANES)
  wide = steps != LaneSteps::sse2 && WideLaneSteps::available();
#endif
}

bool CQuorvellaKernelPair::suits(const float* const inputs[2], float* const outputs[2],
                                 uint32_t frames) noexcept {
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return false;
  if (frames == 0) return true;
  if (overlaps(outputs[0], inputs[1], frames) || overlaps(outputs[1], inputs[0], frames))
    return false;
  // The lock-step path reads a few inputs ahead of its outputs: an output may be its own
  // channel's input, but not a shifted part of it.
  for (int c = 0; c < 2; ++c)
    if (outputs[c] != inputs[c] && overlaps(outputs[c], inputs[c], frames)) return false;
  return outputs[0] == outputs[1] || !overlaps(outputs[0], outputs[1], frames);
}

#if !defined(QUORVELLA_PAIRED_LANES)

// Elsewhere the channels simply run one after the other.
void CQuorvellaKernelPair::process(const float* const inputs[2], float* const outputs[2],
                                   float* const[2], uint32_t frames) noexcept {
  bool silence = false;
  for (int c = 0; c < 2; ++c) kernels[c]->process(inputs[c], outputs[c], frames, 1, silence);
}

#else

namespace {

inline __m128 lanes(float a, float b) { return _mm_setr_ps(a, b, 0.0f, 0.0f); }

inline void split(__m128 v, float& a, float& b) {
  a = _mm_cvtss_f32(v);
  b = _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1)));
}

inline void storeLanes(__m128 v, float* a, float* b) {
  _mm_store_ss(a, v);
  _mm_store_ss(b, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1)));
}

// The replay position's history index and fraction when a position lies outside the 32-bit
// range of the packed conversion: the kernel's own 64-bit rule, lane by lane.
__attribute__((noinline, cold)) void splitWidePosition(__m128d position, __m128i& index,
                                                       __m128& fraction) {
  double pos[2];
  _mm_storeu_pd(pos, position);
  float frac[2];
  uint32_t slot[2];
  for (int c = 0; c < 2; ++c) {
    const int64_t whole = Kernel::truncatePosition(pos[c]);
    frac[c] = static_cast<float>(pos[c] - static_cast<double>(whole));
    slot[c] = static_cast<uint32_t>(whole) & kMask;
  }
  index = _mm_setr_epi32(static_cast<int32_t>(slot[0]), static_cast<int32_t>(slot[1]), 0, 0);
  fraction = lanes(frac[0], frac[1]);
}

}  // namespace

void CQuorvellaKernelPair::process(const float* const inputs[2], float* const outputs[2],
                                   float* const filtered[2], uint32_t frames) noexcept {
  if (frames == 0) return;
  const bool track = kernels[0]->blockSettings().trackPitch;
  bool runStarts[2] = {true, true};
  uint32_t position = 0;
  for (;;) {
    for (int c = 0; c < 2; ++c) {
      if (kernels[c]->samplesToAnalysis == 0) {
        kernels[c]->analyseCycle();
        runStarts[c] = true;
      }
    }
    if (position == frames) break;
    for (int c = 0; c < 2; ++c) {
      if (runStarts[c]) beginRun(c);
      runStarts[c] = false;
    }
    const uint32_t n = subRunLength(frames - position);
    if (track)
      runSamples<true>(inputs, outputs, filtered, position, n);
    else
      runSamples<false>(inputs, outputs, filtered, position, n);
    for (Kernel* k : kernels) {
      k->samplesToAnalysis -= n;
      k->writeIndex = static_cast<int32_t>((static_cast<uint32_t>(k->writeIndex) + n) & kMask);
    }
    position += n;
  }
}

void CQuorvellaKernelPair::beginRun(int c) noexcept {
  const Kernel& k = *kernels[c];
  const BlockSettings& s = k.blockSettings();
  Run& r = runs[c];
  r.period = static_cast<float>(k.period);
  r.invPeriod = 1.0f / r.period;
  r.envFactor = k.envTarget > k.env ? s.envAttackCoef : s.envReleaseCoef;
  r.envTarget = k.envTarget;
  r.cycleStart = static_cast<double>(k.cycleStart);
}

// Up to the next analysis of either channel, and short of any wrap of the write and dry read
// positions, so that those advance as plain pointers. A sub-run that writes slot 0 ends right
// after it, so that slot 0's mirror is refreshed before anything can read it.
uint32_t CQuorvellaKernelPair::subRunLength(uint32_t remaining) const noexcept {
  const uint32_t lookAhead = static_cast<uint32_t>(kernels[0]->blockSettings().lookAhead);
  uint32_t n = remaining;
  for (const Kernel* k : kernels) {
    const uint32_t write = static_cast<uint32_t>(k->writeIndex);
    const uint32_t read = (write - lookAhead) & kMask;
    n = std::min({n, k->samplesToAnalysis, kSize - write, kSize - read});
    if (write == 0) n = 1;
  }
  return n;
}

// The kernel's per-sample loop (CQuorvellaKernel::runSamples) on both channels at once:
// lane c holds channel c, and each line below is the kernel's line with the operands in
// the same order. std::max(a, b) is _mm_max_ps(b, a) and std::min(a, b) is _mm_min_ps(b, a),
// which agree for NaNs and signed zeros; the conditional wraps subtract a masked constant,
// and x - 0 is x.
//
// The input filter pair is pipelined one sample ahead: one 4-lane step runs the low-pass
// stage of sample m + 1 in lanes 0-1 and the high-pass stage of sample m in lanes 2-3, so
// the filtered sample m is ready when the rest of sample m runs. The first step of a sub-run
// keeps only its low-pass half, the last only its high-pass half, so the filter state is
// exact at every sub-run boundary.
template <bool kTrackPitch>
void CQuorvellaKernelPair::runSamples(const float* const inputs[2], float* const outputs[2],
                                      float* const filtered[2], uint32_t offset,
                                      uint32_t n) noexcept {
  Kernel& k0 = *kernels[0];
  Kernel& k1 = *kernels[1];
  const BlockSettings& s = k0.blockSettings();
  Kernel::Slot* const h0 = k0.history.get();
  Kernel::Slot* const h1 = k1.history.get();
  h0[kSize] = h0[0];
  h1[kSize] = h1[0];

  const uint32_t lookAhead = static_cast<uint32_t>(s.lookAhead);
  const uint32_t write0 = static_cast<uint32_t>(k0.writeIndex);
  const uint32_t write1 = static_cast<uint32_t>(k1.writeIndex);
  const size_t dryMember = s.filteredDry ? 1 : 0;
  const size_t wetMember = s.filteredWet ? 1 : 0;
  const float* const dry0 = &h0[(write0 - lookAhead) & kMask].raw + dryMember;
  const float* const dry1 = &h1[(write1 - lookAhead) & kMask].raw + dryMember;
  // A 16-byte load at wet + 2 i gives the chosen member of slot i in float 0 and of slot
  // i + 1 in float 2.
  const float* const wet0 = &h0[0].raw + wetMember;
  const float* const wet1 = &h1[0].raw + wetMember;
  float* const store0 = &h0[write0].raw;
  float* const store1 = &h1[write1].raw;
  const float* const src0 = inputs[0] + offset;
  const float* const src1 = inputs[1] + offset;
  float* const dst0 = outputs[0] + offset;
  float* const dst1 = outputs[1] + offset;

  const __m128 one = _mm_set1_ps(1.0f), three = _mm_set1_ps(3.0f);
  const __m128 zero = _mm_setzero_ps();
  const __m128i conversionFailed = _mm_set1_epi32(INT32_MIN);

  // Input filter pair: low-pass stage coefficients in lanes 0-1, high-pass in lanes 2-3.
  const __m128 inF = _mm_setr_ps(s.inputLowpassF, s.inputLowpassF, s.inputHighpassF, s.inputHighpassF);
  const __m128 inQ = _mm_setr_ps(s.inputLowpassDamping, s.inputLowpassDamping,
                                 s.inputHighpassDamping, s.inputHighpassDamping);
  const __m128 k = lanes(runs[0].envFactor, runs[1].envFactor);
  const __m128 target = lanes(runs[0].envTarget, runs[1].envTarget);
  const __m128 invP = lanes(runs[0].invPeriod, runs[1].invPeriod);
  const __m128d periodD = _mm_setr_pd(runs[0].period, runs[1].period);
  const __m128d start = _mm_setr_pd(runs[0].cycleStart, runs[1].cycleStart);
  const __m128 trigger = _mm_set1_ps(s.triggerLevel);
  const __m128 ratio = _mm_set1_ps(s.pitchRatio), ratioRange = _mm_set1_ps(s.pitchRatioRange);
  const __m128 fixedInc = _mm_set1_ps(s.fixedIncrement);
  const __m128 fixedIncRange = _mm_set1_ps(s.fixedIncrementRange);
  const __m128 pulseWidth = _mm_set1_ps(s.pulseWidth), pwmDepth = _mm_set1_ps(s.pwmDepth);
  // squareGain * square with square = +1 or -1 is one of two values; select its bits.
  __m128 signs = _mm_setr_ps(1.0f, -1.0f, 0.0f, 0.0f);
  __asm__("" : "+x"(signs));  // the products below are taken at run time, like the kernel's
  const __m128 squareProducts = _mm_mul_ps(_mm_set1_ps(s.squareGain), signs);
  const __m128 squarePlus = _mm_shuffle_ps(squareProducts, squareProducts, _MM_SHUFFLE(0, 0, 0, 0));
  const __m128 squareFlip = _mm_xor_ps(
      squarePlus, _mm_shuffle_ps(squareProducts, squareProducts, _MM_SHUFFLE(1, 1, 1, 1)));
  const __m128 sawGain = _mm_set1_ps(s.sawGain), triangleGain = _mm_set1_ps(s.triangleGain);
  const __m128 oscEnvFollow = _mm_set1_ps(s.oscEnvFollow);
  const __m128 unfollowed = _mm_set1_ps(1.0f - s.oscEnvFollow);
  const __m128 oscGain = _mm_set1_ps(s.oscGain), wetRingGain = _mm_set1_ps(s.wetRingGain);
  const __m128 dryRingGain = _mm_set1_ps(s.dryRingGain), wetGain = _mm_set1_ps(s.wetGain);
  const __m128 filterF = _mm_set1_ps(s.filterF), filterFRange = _mm_set1_ps(s.filterFRange);
  const __m128 q = _mm_set1_ps(s.filterDamping);
  const __m128 highW = _mm_set1_ps(s.highWeight), thruW = _mm_set1_ps(s.thruWeight);
  const __m128 bandW = _mm_set1_ps(s.bandWeight), lowW = _mm_set1_ps(s.lowWeight);
  const __m128 dryGain = _mm_set1_ps(s.dryGain);

  __m128d phase = _mm_setr_pd(k0.replayPhase, k1.replayPhase);
  __m128 osc = lanes(k0.oscPhase, k1.oscPhase);
  __m128 env = lanes(k0.env, k1.env);
  __m128 fLow = lanes(k0.filterLow, k1.filterLow);
  __m128 fBand = lanes(k0.filterBand, k1.filterBand);
  __m128 inLow = _mm_setr_ps(k0.low1, k1.low1, k0.low2, k1.low2);
  __m128 inBand = _mm_setr_ps(k0.band1, k1.band1, k0.band2, k1.band2);

  // One step of the filter pair on (x in lanes 0-1); returns the high-pass outputs, of which
  // lanes 2-3 are the filtered previous sample.
  auto filterStep = [&](__m128 x) __attribute__((always_inline)) {
    const __m128 u = _mm_movelh_ps(x, inLow);  // stage 2 reads stage 1's newest low-pass
    inLow = _mm_add_ps(inLow, _mm_mul_ps(inF, inBand));
    const __m128 high = _mm_sub_ps(_mm_sub_ps(u, inLow), _mm_mul_ps(inQ, inBand));
    inBand = _mm_add_ps(inBand, _mm_mul_ps(inF, high));
    return high;
  };
  auto loadInput = [&](size_t j) __attribute__((always_inline)) {
    return _mm_unpacklo_ps(_mm_load_ss(src0 + j), _mm_load_ss(src1 + j));
  };

  // What the multimode filter and the output mix of a sample need from the rest of it.
  struct FilterInput {
    __m128 z, f, dry;  // dry: dryGain * d
  };

  // From the oscillator's phase t on: the waveforms, the ring modulation and oscillator mix,
  // and the multimode filter's input and cutoff. One sample in lanes 0-1, or two in all four.
  auto mix = [&](__m128 t, __m128 e, __m128 envelope, __m128 w, __m128 d)
                 __attribute__((always_inline)) {
    // 2t and 4t are exact doublings, the same with additions as with multiplications.
    const __m128 t2 = _mm_add_ps(t, t);
    const __m128 t4 = _mm_add_ps(t2, t2);
    const __m128 saw = _mm_sub_ps(t2, one);
    const __m128 triangle = _mm_min_ps(_mm_sub_ps(three, t4), _mm_sub_ps(t4, one));
    const __m128 duty = _mm_add_ps(pulseWidth, _mm_mul_ps(e, pwmDepth));
    const __m128 square = _mm_xor_ps(squarePlus, _mm_andnot_ps(_mm_cmple_ps(t, duty), squareFlip));
    const __m128 o = _mm_add_ps(_mm_add_ps(square, _mm_mul_ps(sawGain, saw)),
                                _mm_mul_ps(triangleGain, triangle));

    const __m128 g = _mm_add_ps(unfollowed, _mm_mul_ps(oscEnvFollow, envelope));
    const __m128 y = _mm_mul_ps(
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(oscGain, g), _mm_mul_ps(wetRingGain, w)),
                   _mm_mul_ps(dryRingGain, d)),
        o);
    const __m128 z = _mm_add_ps(y, _mm_mul_ps(wetGain, w));
    const __m128 f = _mm_add_ps(filterF, _mm_mul_ps(e, filterFRange));
    return FilterInput{z, f, _mm_mul_ps(dryGain, d)};
  };

  // Sample j up to the multimode filter's input, given its input x and filtered input xf.
  auto front = [&](size_t j, __m128 x, __m128 xf) __attribute__((always_inline)) {
    // Replay: the wet sample at phase + cycleStart (the advance follows below).
    const __m128d pos = _mm_add_pd(phase, start);
    const __m128i whole = _mm_cvttpd_epi32(pos);
    __m128 fraction;
    uint64_t slots;
    if (__builtin_expect(
            _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(whole, conversionFailed))) != 0, 0)) {
      __m128i index;
      splitWidePosition(pos, index, fraction);
      slots = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
    } else {
      fraction = _mm_cvtpd_ps(_mm_sub_pd(pos, _mm_cvtepi32_pd(whole)));
      slots = static_cast<uint64_t>(_mm_cvtsi128_si64(whole));
    }
    const size_t slot0 = static_cast<size_t>(slots & kMask);
    const size_t slot1 = static_cast<size_t>((slots >> 32) & kMask);
    const __m128 v0 = _mm_loadu_ps(wet0 + 2 * slot0);
    const __m128 v1 = _mm_loadu_ps(wet1 + 2 * slot1);
    const __m128 a = _mm_unpacklo_ps(v0, v1);
    const __m128 b = _mm_unpackhi_ps(v0, v1);
    const __m128 w = _mm_add_ps(a, _mm_mul_ps(fraction, _mm_sub_ps(b, a)));
    const __m128 d = _mm_unpacklo_ps(_mm_load_ss(dry0 + 2 * j), _mm_load_ss(dry1 + 2 * j));

    env = _mm_add_ps(target, _mm_mul_ps(_mm_sub_ps(env, target), k));
    const __m128 e = _mm_max_ps(zero, _mm_sub_ps(env, trigger));
    const __m128 R = _mm_add_ps(ratio, _mm_mul_ps(e, ratioRange));
    phase = _mm_add_pd(phase, _mm_cvtps_pd(R));
    phase = _mm_sub_pd(phase, _mm_and_pd(_mm_cmpge_pd(phase, periodD), periodD));

    // Store the new input after this sample's reads: {raw, filtered} per channel.
    const __m128 slot = _mm_unpacklo_ps(x, xf);
    _mm_storel_pi(reinterpret_cast<__m64*>(store0 + 2 * j), slot);
    _mm_storeh_pi(reinterpret_cast<__m64*>(store1 + 2 * j), slot);

    __m128 inc;
    if (kTrackPitch)
      inc = _mm_mul_ps(R, invP);
    else
      inc = _mm_add_ps(fixedInc, _mm_mul_ps(e, fixedIncRange));
    osc = _mm_add_ps(osc, inc);
    osc = _mm_sub_ps(osc, _mm_and_ps(_mm_cmpge_ps(osc, one), one));
    return mix(osc, e, env, w, d);
  };

  // The multimode filter and the output mix of sample j.
  auto back = [&](size_t j, const FilterInput& in) __attribute__((always_inline)) {
    const __m128 z = in.z, f = in.f, dry = in.dry;
    const __m128 low = _mm_add_ps(fLow, _mm_mul_ps(f, fBand));
    const __m128 high = _mm_sub_ps(_mm_sub_ps(z, low), _mm_mul_ps(q, fBand));
    const __m128 band = _mm_add_ps(fBand, _mm_mul_ps(f, high));
    fLow = low;
    fBand = band;

    const __m128 out = _mm_add_ps(
        _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(highW, high), _mm_mul_ps(thruW, z)),
                              _mm_mul_ps(bandW, band)),
                   dry),
        _mm_mul_ps(lowW, low));
    storeLanes(out, dst0 + j, dst1 + j);
  };

  // Two samples at once (lanes 0-1 sample j, lanes 2-3 sample j + 1, channel c in lanes c and
  // c + 2): the recursions step twice, one sample after the other, and everything between
  // them that works on one sample at a time (interpolation, waveforms, mixing) runs once on
  // all four lanes. Memory is touched in the kernel's order: sample j's history reads come
  // before its store, which comes before sample j + 1's reads.
  const __m128 invP4 = _mm_movelh_ps(invP, invP);
  const __m128i historyMask = _mm_set1_epi32(static_cast<int32_t>(kMask));

  auto frontPair = [&](size_t j, __m128 xA, __m128 xB, __m128 xfA,
                       __m128 xfB) __attribute__((always_inline)) {
    env = _mm_add_ps(target, _mm_mul_ps(_mm_sub_ps(env, target), k));
    const __m128 envA = env;
    env = _mm_add_ps(target, _mm_mul_ps(_mm_sub_ps(env, target), k));
    const __m128 env4 = _mm_movelh_ps(envA, env);
    const __m128 e = _mm_max_ps(zero, _mm_sub_ps(env4, trigger));
    const __m128 R = _mm_add_ps(ratio, _mm_mul_ps(e, ratioRange));

    // Replay positions of both samples, each before its advance.
    const __m128d posA = _mm_add_pd(phase, start);
    phase = _mm_add_pd(phase, _mm_cvtps_pd(R));
    phase = _mm_sub_pd(phase, _mm_and_pd(_mm_cmpge_pd(phase, periodD), periodD));
    const __m128d posB = _mm_add_pd(phase, start);
    phase = _mm_add_pd(phase, _mm_cvtps_pd(_mm_movehl_ps(R, R)));
    phase = _mm_sub_pd(phase, _mm_and_pd(_mm_cmpge_pd(phase, periodD), periodD));

    const __m128i wholeA = _mm_cvttpd_epi32(posA);
    const __m128i wholeB = _mm_cvttpd_epi32(posB);
    __m128i slots = _mm_unpacklo_epi64(wholeA, wholeB);
    __m128 fraction;
    if (__builtin_expect(
            _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(slots, conversionFailed))) != 0, 0)) {
      __m128i indexA, indexB;
      __m128 fractionA, fractionB;
      splitWidePosition(posA, indexA, fractionA);
      splitWidePosition(posB, indexB, fractionB);
      slots = _mm_unpacklo_epi64(indexA, indexB);
      fraction = _mm_movelh_ps(fractionA, fractionB);
    } else {
      fraction = _mm_movelh_ps(_mm_cvtpd_ps(_mm_sub_pd(posA, _mm_cvtepi32_pd(wholeA))),
                               _mm_cvtpd_ps(_mm_sub_pd(posB, _mm_cvtepi32_pd(wholeB))));
    }
    slots = _mm_and_si128(slots, historyMask);
    const uint64_t slotsA = static_cast<uint64_t>(_mm_cvtsi128_si64(slots));
    const uint64_t slotsB =
        static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(slots, slots)));

    // Sample j: reads, then its store; then sample j + 1.
    const __m128 wetA0 = _mm_loadu_ps(wet0 + 2 * static_cast<uint32_t>(slotsA));
    const __m128 wetA1 = _mm_loadu_ps(wet1 + 2 * (slotsA >> 32));
    const __m128 dA = _mm_unpacklo_ps(_mm_load_ss(dry0 + 2 * j), _mm_load_ss(dry1 + 2 * j));
    const __m128 slotA = _mm_unpacklo_ps(xA, xfA);
    _mm_storel_pi(reinterpret_cast<__m64*>(store0 + 2 * j), slotA);
    _mm_storeh_pi(reinterpret_cast<__m64*>(store1 + 2 * j), slotA);
    const __m128 wetB0 = _mm_loadu_ps(wet0 + 2 * static_cast<uint32_t>(slotsB));
    const __m128 wetB1 = _mm_loadu_ps(wet1 + 2 * (slotsB >> 32));
    const __m128 dB =
        _mm_unpacklo_ps(_mm_load_ss(dry0 + 2 * (j + 1)), _mm_load_ss(dry1 + 2 * (j + 1)));
    const __m128 slotB = _mm_unpacklo_ps(xB, xfB);
    _mm_storel_pi(reinterpret_cast<__m64*>(store0 + 2 * (j + 1)), slotB);
    _mm_storeh_pi(reinterpret_cast<__m64*>(store1 + 2 * (j + 1)), slotB);

    // {a, b} of channel 0, then of channel 1, per sample; then a and b of all four lanes.
    const __m128 pairA = _mm_shuffle_ps(wetA0, wetA1, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 pairB = _mm_shuffle_ps(wetB0, wetB1, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 a = _mm_shuffle_ps(pairA, pairB, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 b = _mm_shuffle_ps(pairA, pairB, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 w = _mm_add_ps(a, _mm_mul_ps(fraction, _mm_sub_ps(b, a)));
    const __m128 d = _mm_movelh_ps(dA, dB);

    __m128 inc;
    if (kTrackPitch)
      inc = _mm_mul_ps(R, invP4);
    else
      inc = _mm_add_ps(fixedInc, _mm_mul_ps(e, fixedIncRange));
    osc = _mm_add_ps(osc, inc);
    osc = _mm_sub_ps(osc, _mm_and_ps(_mm_cmpge_ps(osc, one), one));
    const __m128 oscA = osc;
    osc = _mm_add_ps(osc, _mm_movehl_ps(inc, inc));
    osc = _mm_sub_ps(osc, _mm_and_ps(_mm_cmpge_ps(osc, one), one));
    return mix(_mm_movelh_ps(oscA, osc), e, env4, w, d);
  };

  // The multimode filter of samples j and j + 1, one after the other, and their output mix.
  auto backPair = [&](size_t j, const FilterInput& in) __attribute__((always_inline)) {
    const __m128 fA = in.f, fB = _mm_movehl_ps(in.f, in.f);
    const __m128 zB = _mm_movehl_ps(in.z, in.z);
    const __m128 lowA = _mm_add_ps(fLow, _mm_mul_ps(fA, fBand));
    const __m128 highA = _mm_sub_ps(_mm_sub_ps(in.z, lowA), _mm_mul_ps(q, fBand));
    const __m128 bandA = _mm_add_ps(fBand, _mm_mul_ps(fA, highA));
    const __m128 lowB = _mm_add_ps(lowA, _mm_mul_ps(fB, bandA));
    const __m128 highB = _mm_sub_ps(_mm_sub_ps(zB, lowB), _mm_mul_ps(q, bandA));
    const __m128 bandB = _mm_add_ps(bandA, _mm_mul_ps(fB, highB));
    fLow = lowB;
    fBand = bandB;

    const __m128 high = _mm_movelh_ps(highA, highB);
    const __m128 band = _mm_movelh_ps(bandA, bandB);
    const __m128 low = _mm_movelh_ps(lowA, lowB);
    const __m128 out = _mm_add_ps(
        _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(highW, high), _mm_mul_ps(thruW, in.z)),
                              _mm_mul_ps(bandW, band)),
                   in.dry),
        _mm_mul_ps(lowW, low));
    // {channel 0 at j, j + 1, channel 1 at j, j + 1}; channel 1 is stored last, as the
    // kernels store when both outputs are one buffer.
    const __m128 perChannel = _mm_shuffle_ps(out, out, _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storel_pi(reinterpret_cast<__m64*>(dst0 + j), perChannel);
    _mm_storeh_pi(reinterpret_cast<__m64*>(dst1 + j), perChannel);
  };

  // The input filters run one sample ahead of the rest: at the top of every step below, x is
  // input j, whose low-pass stage has run, and the high-pass stage has run up to j - 1. The
  // back of each step's samples runs in the next step, so that the recursions of one step
  // overlap the independent work of the next. The first filter step keeps only its low-pass
  // half, the last only its high-pass half, so the filter state is exact at every sub-run
  // boundary.
  __m128 x = loadInput(0);
  {
    const __m128 lowBefore = inLow, bandBefore = inBand;
    filterStep(x);
    inLow = _mm_shuffle_ps(inLow, lowBefore, _MM_SHUFFLE(3, 2, 1, 0));
    inBand = _mm_shuffle_ps(inBand, bandBefore, _MM_SHUFFLE(3, 2, 1, 0));
  }
  const size_t last = n - 1;
  size_t j = 0;
  size_t copied = 0;  // samples whose filtered copy is already written
#if defined(QUORVELLA_WIDE_LANES)
  // Four samples at a time where the processor can; the steps below finish the sub-run.
  if (wide && lookAhead >= 4 && last >= 4) {
    WideLaneSteps::State state{phase, osc, env, fLow, fBand, inLow, inBand, x};
    WideLaneSteps::SubRun subRun{&s,
                                 {src0, src1},
                                 {dst0, dst1},
                                 {filtered[0] + offset, filtered[1] + offset},
                                 {store0, store1},
                                 {dry0, dry1},
                                 {wet0, wet1},
                                 {runs[0].envFactor, runs[1].envFactor},
                                 {runs[0].envTarget, runs[1].envTarget},
                                 {runs[0].invPeriod, runs[1].invPeriod},
                                 {runs[0].period, runs[1].period},
                                 {runs[0].cycleStart, runs[1].cycleStart}};
    j = WideLaneSteps::run(WideLaneSteps::instructionsFor(steps), kTrackPitch, subRun, state,
                           last);
    copied = j;
    phase = state.phase;
    osc = state.osc;
    env = state.env;
    fLow = state.filterLow;
    fBand = state.filterBand;
    inLow = state.inputLow;
    inBand = state.inputBand;
    x = state.x;
  }
#endif
  if (j + 2 <= last) {
    FilterInput pendingPair{zero, zero, zero};
    bool havePair = false;
    for (; j + 2 <= last; j += 2) {
      const __m128 xB = loadInput(j + 1);
      const __m128 highA = filterStep(xB);
      const __m128 xNext = loadInput(j + 2);
      const __m128 highB = filterStep(xNext);
      const FilterInput ready =
          frontPair(j, x, xB, _mm_movehl_ps(highA, highA), _mm_movehl_ps(highB, highB));
      if (havePair) backPair(j - 2, pendingPair);
      pendingPair = ready;
      havePair = true;
      x = xNext;
    }
    backPair(j - 2, pendingPair);
  }
  // The rest one sample at a time, the same pipeline one sample deep.
  FilterInput pending{zero, zero, zero};
  bool havePending = false;
  for (; j < last; ++j) {
    const __m128 next = loadInput(j + 1);
    const __m128 high = filterStep(next);
    const FilterInput ready = front(j, x, _mm_movehl_ps(high, high));
    if (havePending) back(j - 1, pending);
    pending = ready;
    havePending = true;
    x = next;
  }
  {
    // The high-pass stage of the last sample alone.
    const __m128 lowBefore = inLow, bandBefore = inBand;
    const __m128 high = filterStep(x);
    inLow = _mm_shuffle_ps(lowBefore, inLow, _MM_SHUFFLE(3, 2, 1, 0));
    inBand = _mm_shuffle_ps(bandBefore, inBand, _MM_SHUFFLE(3, 2, 1, 0));
    const FilterInput ready = front(last, x, _mm_movehl_ps(high, high));
    if (havePending) back(last - 1, pending);
    back(last, ready);
  }

  k0.replayPhase = _mm_cvtsd_f64(phase);
  k1.replayPhase = _mm_cvtsd_f64(_mm_unpackhi_pd(phase, phase));
  split(osc, k0.oscPhase, k1.oscPhase);
  split(env, k0.env, k1.env);
  split(fLow, k0.filterLow, k1.filterLow);
  split(fBand, k0.filterBand, k1.filterBand);
  float low[4], band[4];
  _mm_storeu_ps(low, inLow);
  _mm_storeu_ps(band, inBand);
  k0.low1 = low[0];
  k1.low1 = low[1];
  k0.low2 = low[2];
  k1.low2 = low[3];
  k0.band1 = band[0];
  k1.band1 = band[1];
  k0.band2 = band[2];
  k1.band2 = band[3];

  // The filtered copy of the rest of the sub-run, as the history now holds it.
  float* const flt0 = filtered[0] + offset;
  float* const flt1 = filtered[1] + offset;
  for (size_t j = copied; j < n; ++j) {
    flt0[j] = store0[2 * j + 1];
    flt1[j] = store1[2 * j + 1];
  }
}

#endif
