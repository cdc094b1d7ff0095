// The loop of WideLaneSteps, written once for two instruction sets. With AVX2 it runs on
// sixteen vector registers; with AVX-512 (on 256-bit vectors: the VL and DQ extensions) it
// has thirty-two, so fewer values are spilled, and a few steps take fewer operations:
// comparisons into mask registers select without masking by hand, and the 64-bit
// conversion of a replay position is the kernel's own rule for every position, so no
// fallback is needed. Every lane computes the same values either way.
//
// Each instruction set is compiled by its own source (WideLaneLoopAvx2.cpp,
// WideLaneLoopAvx512.cpp) under that set's target, which instantiates the template; nothing
// else may instantiate it, since its code may only run where WideLaneSteps found the set.
//
// Audio thread only, as WideLaneSteps.
#pragma once

#include "dsp/WideLaneSteps.h"

#if defined(QUORVELLA_WIDE_LANES)

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "dsp/CQuorvellaKernel.h"

template <bool kAvx512>
class WideLaneLoop {
public:
  using SubRun = WideLaneSteps::SubRun;
  using State = WideLaneSteps::State;

  // WideLaneSteps::run for this instruction set.
  static size_t run(bool trackPitch, const SubRun& subRun, State& state, size_t last) noexcept;

private:
  using Kernel = CQuorvellaKernel;
  static constexpr uint32_t kMask = static_cast<uint32_t>(Kernel::kHistoryMask);
  // A history slot index as the position conversion leaves it.
  using Slot = std::conditional_t<kAvx512, uint64_t, uint32_t>;

  template <bool kTrackPitch>
  static size_t steps(const SubRun& r, State& state, size_t last) noexcept;

  static __m128 lanes(float a, float b) { return _mm_setr_ps(a, b, 0.0f, 0.0f); }

  // Lanes 0-1 of four two-lane values, sample by sample, as one 8-lane value.
  static __m256 gather(__m128 a, __m128 b, __m128 c, __m128 d) {
    return _mm256_set_m128(_mm_movelh_ps(c, d), _mm_movelh_ps(a, b));
  }

  // The two lanes of sample k (0-3) of an 8-lane value, in lanes 0-1.
  struct Samples {
    __m128 s[4];
    explicit Samples(__m256 v) {
      s[0] = _mm256_castps256_ps128(v);
      s[1] = _mm_movehl_ps(s[0], s[0]);
      s[2] = _mm256_extractf128_ps(v, 1);
      s[3] = _mm_movehl_ps(s[2], s[2]);
    }
  };

  // Replay positions outside the 32-bit range of the packed conversion, two samples of both
  // channels: the kernel's own 64-bit rule, lane by lane.
  __attribute__((noinline, cold)) static void splitWidePositions(const double* pos,
                                                                 __m128i& slots,
                                                                 __m128& fraction) {
    float frac[4];
    int32_t slot[4];
    for (int i = 0; i < 4; ++i) {
      const int64_t whole = Kernel::truncatePosition(pos[i]);
      frac[i] = static_cast<float>(pos[i] - static_cast<double>(whole));
      slot[i] = static_cast<int32_t>(static_cast<uint32_t>(whole) & kMask);
    }
    slots = _mm_setr_epi32(slot[0], slot[1], slot[2], slot[3]);
    fraction = _mm_setr_ps(frac[0], frac[1], frac[2], frac[3]);
  }
};

extern template size_t WideLaneLoop<false>::run(bool, const SubRun&, State&, size_t) noexcept;
extern template size_t WideLaneLoop<true>::run(bool, const SubRun&, State&, size_t) noexcept;

template <bool kAvx512>
size_t WideLaneLoop<kAvx512>::run(bool trackPitch, const SubRun& subRun, State& state,
                                  size_t last) noexcept {
  return trackPitch ? steps<true>(subRun, state, last) : steps<false>(subRun, state, last);
}

template <bool kAvx512>
template <bool kTrackPitch>
size_t WideLaneLoop<kAvx512>::steps(const SubRun& r, State& state, size_t last) noexcept {
  const BlockSettings& s = *r.settings;
  const float* const src0 = r.source[0];
  const float* const src1 = r.source[1];
  float* const dst0 = r.destination[0];
  float* const dst1 = r.destination[1];
  float* const flt0 = r.filtered[0];
  float* const flt1 = r.filtered[1];
  float* const store0 = r.store[0];
  float* const store1 = r.store[1];
  const float* const dry0 = r.dry[0];
  const float* const dry1 = r.dry[1];
  const float* const wet0 = r.wet[0];
  const float* const wet1 = r.wet[1];

  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 inF = _mm_setr_ps(s.inputLowpassF, s.inputLowpassF, s.inputHighpassF, s.inputHighpassF);
  const __m128 inQ = _mm_setr_ps(s.inputLowpassDamping, s.inputLowpassDamping,
                                 s.inputHighpassDamping, s.inputHighpassDamping);
  const __m128 k = lanes(r.envFactor[0], r.envFactor[1]);
  const __m128 target = lanes(r.envTarget[0], r.envTarget[1]);
  const __m128d periodD = _mm_setr_pd(r.period[0], r.period[1]);
  const __m256d start = _mm256_setr_pd(r.cycleStart[0], r.cycleStart[1], r.cycleStart[0],
                                       r.cycleStart[1]);
  const __m256i historyMask = kAvx512 ? _mm256_set1_epi64x(kMask)
                                      : _mm256_set1_epi32(static_cast<int32_t>(kMask));

  const __m256 zero8 = _mm256_setzero_ps();
  const __m256 one8 = _mm256_set1_ps(1.0f), three8 = _mm256_set1_ps(3.0f);
  const __m256 invP8 = _mm256_setr_ps(r.invPeriod[0], r.invPeriod[1], r.invPeriod[0],
                                      r.invPeriod[1], r.invPeriod[0], r.invPeriod[1],
                                      r.invPeriod[0], r.invPeriod[1]);
  const __m256 trigger = _mm256_set1_ps(s.triggerLevel);
  const __m256 ratio = _mm256_set1_ps(s.pitchRatio);
  const __m256 ratioRange = _mm256_set1_ps(s.pitchRatioRange);
  const __m256 fixedInc = _mm256_set1_ps(s.fixedIncrement);
  const __m256 fixedIncRange = _mm256_set1_ps(s.fixedIncrementRange);
  const __m256 pulseWidth = _mm256_set1_ps(s.pulseWidth), pwmDepth = _mm256_set1_ps(s.pwmDepth);
  // squareGain * square with square = +1 or -1 is one of two values; select its bits. The
  // products are taken at run time, under the block's floating-point modes, like the kernel's.
  __m128 signs = _mm_setr_ps(1.0f, -1.0f, 0.0f, 0.0f);
  __asm__("" : "+x"(signs));
  const __m128 squareProducts = _mm_mul_ps(_mm_set1_ps(s.squareGain), signs);
  const __m128 plus = _mm_shuffle_ps(squareProducts, squareProducts, _MM_SHUFFLE(0, 0, 0, 0));
  const __m128 flip =
      _mm_xor_ps(plus, _mm_shuffle_ps(squareProducts, squareProducts, _MM_SHUFFLE(1, 1, 1, 1)));
  const __m256 squarePlus = _mm256_set_m128(plus, plus);
  const __m256 squareFlip = _mm256_set_m128(flip, flip);
  const __m256 squareMinus = _mm256_xor_ps(squarePlus, squareFlip);
  const __m256 sawGain = _mm256_set1_ps(s.sawGain), triangleGain = _mm256_set1_ps(s.triangleGain);
  const __m256 oscEnvFollow = _mm256_set1_ps(s.oscEnvFollow);
  const __m256 unfollowed = _mm256_set1_ps(1.0f - s.oscEnvFollow);
  const __m256 oscGain = _mm256_set1_ps(s.oscGain), wetRingGain = _mm256_set1_ps(s.wetRingGain);
  const __m256 dryRingGain = _mm256_set1_ps(s.dryRingGain), wetGain = _mm256_set1_ps(s.wetGain);
  const __m256 filterF = _mm256_set1_ps(s.filterF), filterFRange = _mm256_set1_ps(s.filterFRange);
  const __m256 highW = _mm256_set1_ps(s.highWeight), thruW = _mm256_set1_ps(s.thruWeight);
  const __m256 bandW = _mm256_set1_ps(s.bandWeight), lowW = _mm256_set1_ps(s.lowWeight);
  const __m256 dryGain = _mm256_set1_ps(s.dryGain);

  // The input filter pair and the multimode filter share one shape (low += f * band; high =
  // u - low - q * band; band += f * high), so their steps run in the same instructions: the
  // pair in lanes 0-3 as in the two-sample steps, the multimode filter in lanes 4-5. Lanes
  // 6-7 compute a stable filter of nothing in particular and are never read.
  const __m256 inF8 = _mm256_set_m128(inF, inF);
  const __m256 q8 = _mm256_set_m128(_mm_set1_ps(s.filterDamping), inQ);
  const __m256i secondSample = _mm256_setr_epi32(0, 1, 2, 3, 2, 3, 2, 3);
  __m256 low8 = _mm256_set_m128(state.filterLow, state.inputLow);
  __m256 band8 = _mm256_set_m128(state.filterBand, state.inputBand);

  __m128d phase = state.phase;
  __m128 osc = state.osc, env = state.env;
  __m128 x = state.x;

  // One step of the three filters. Lanes 0-1 of a hold the sample whose low-pass stage runs
  // (the high-pass stage runs for the sample before it, whose filtered value the step returns
  // in lanes 2-3); lanes 4-5 of a hold the multimode filter's input, lanes 4-5 of f its
  // frequency, lanes 0-3 of f the input filters' frequencies.
  auto filterStep = [&](__m256 a, __m256 f) __attribute__((always_inline)) {
    const __m256 u = _mm256_shuffle_ps(a, low8, _MM_SHUFFLE(1, 0, 1, 0));
    low8 = _mm256_add_ps(low8, _mm256_mul_ps(f, band8));
    const __m256 high = _mm256_sub_ps(_mm256_sub_ps(u, low8), _mm256_mul_ps(q8, band8));
    band8 = _mm256_add_ps(band8, _mm256_mul_ps(f, high));
    return high;
  };
  auto envelopeStep = [&]() __attribute__((always_inline)) {
    env = _mm_add_ps(target, _mm_mul_ps(_mm_sub_ps(env, target), k));
    return env;
  };
  // The phase of a sample (its replay position less the cycle's start), then the phase's
  // advance by its ratio.
  auto phaseStep = [&](__m128d ratioD) __attribute__((always_inline)) {
    const __m128d before = phase;
    phase = _mm_add_pd(phase, ratioD);
    // phase - period where that is not negative (exactly where phase >= period), else phase.
    const __m128d wrapped = _mm_sub_pd(phase, periodD);
    if constexpr (kAvx512)
      phase = _mm_mask_mov_pd(wrapped, _mm_movepi64_mask(_mm_castpd_si128(wrapped)), phase);
    else
      phase = _mm_blendv_pd(wrapped, phase, wrapped);
    return before;
  };
  auto oscillatorStep = [&](__m128 inc) __attribute__((always_inline)) {
    osc = _mm_add_ps(osc, inc);
    // osc - 1 where osc >= 1, else osc - 0 (which is osc, -0 included).
    if constexpr (kAvx512)
      osc = _mm_mask_sub_ps(osc, _mm_cmp_ps_mask(osc, one, _CMP_GE_OS), osc, one);
    else
      osc = _mm_sub_ps(osc, _mm_and_ps(_mm_cmpge_ps(osc, one), one));
    return osc;
  };
  // Sample j + i's history reads, then its history write: {raw, filtered} per channel.
  auto replayAndStore = [&](size_t j, const Slot* slots,
                            __m128 slot) __attribute__((always_inline)) {
    const __m128 v0 = _mm_loadu_ps(wet0 + 2 * static_cast<size_t>(slots[0]));
    const __m128 v1 = _mm_loadu_ps(wet1 + 2 * static_cast<size_t>(slots[1]));
    _mm_storel_pi(reinterpret_cast<__m64*>(store0 + 2 * j), slot);
    _mm_storeh_pi(reinterpret_cast<__m64*>(store1 + 2 * j), slot);
    return _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0));  // {a, b} of channel 0, then 1
  };

  // Four samples after their recursions up to the replay positions: the history slots to
  // read and the fractions between them, the envelope, its excess over the trigger level,
  // and the oscillator's increments.
  struct Early {
    __m256 fraction, env, e, inc;
    // Read back as addresses: loads cost no vector operations, extractions would.
    alignas(32) Slot slots[8];
  };
  // What the multimode filter and the output sum of four samples need from the rest.
  struct Front {
    __m256 z, f, dry;
  };
  // Four filter steps: the input filters' values (lanes 2-3 of each), and the multimode
  // filter's low, high and band outputs of four samples.
  struct Filtered {
    __m128 input[4];
    __m256 low, high, band;
  };

  // The next four samples' envelope, replay phase and oscillator increments.
  // The envelope of four samples, two samples of both channels to a value.
  struct Envelopes {
    __m128 env01, env23;
  };
  auto envelope = [&]() __attribute__((always_inline)) {
    const __m128 e0 = envelopeStep();
    const __m128 e1 = envelopeStep();
    const __m128 e2 = envelopeStep();
    const __m128 e3 = envelopeStep();
    return Envelopes{_mm_movelh_ps(e0, e1), _mm_movelh_ps(e2, e3)};
  };
  auto earlyOf = [&](const Envelopes& en) __attribute__((always_inline)) {
    Early r;
    // Two samples at a time, so that the phase steps of the first two need not wait for the
    // envelope of the last two.
    auto excess = [&](__m128 envelopes) __attribute__((always_inline)) {
      return _mm_max_ps(_mm256_castps256_ps128(zero8),
                        _mm_sub_ps(envelopes, _mm256_castps256_ps128(trigger)));
    };
    auto pitch = [&](__m128 e) __attribute__((always_inline)) {
      return _mm_add_ps(_mm256_castps256_ps128(ratio),
                        _mm_mul_ps(e, _mm256_castps256_ps128(ratioRange)));
    };
    const __m128 env01 = en.env01;
    const __m128 excess01 = excess(env01);
    const __m128 R01 = pitch(excess01);
    const __m256d ratio01 = _mm256_cvtps_pd(R01);
    const __m128 env23 = en.env23;
    const __m128 excess23 = excess(env23);
    const __m128 R23 = pitch(excess23);
    const __m256d ratio23 = _mm256_cvtps_pd(R23);
    r.env = _mm256_set_m128(env23, env01);
    r.e = _mm256_set_m128(excess23, excess01);
    const __m256 R = _mm256_set_m128(R23, R01);
    const __m128d phase0 = phaseStep(_mm256_castpd256_pd128(ratio01));
    const __m128d phase1 = phaseStep(_mm256_extractf128_pd(ratio01, 1));
    const __m128d phase2 = phaseStep(_mm256_castpd256_pd128(ratio23));
    const __m128d phase3 = phaseStep(_mm256_extractf128_pd(ratio23, 1));
    const __m256d pos01 = _mm256_add_pd(_mm256_set_m128d(phase1, phase0), start);
    const __m256d pos23 = _mm256_add_pd(_mm256_set_m128d(phase3, phase2), start);
    __m128 fraction01, fraction23;
    if constexpr (kAvx512) {
      // The 64-bit conversion is the kernel's own rule for every position, NaN and
      // infinities included, and converts back in one operation.
      const __m256i whole01 = _mm256_cvttpd_epi64(pos01);
      const __m256i whole23 = _mm256_cvttpd_epi64(pos23);
      fraction01 = _mm256_cvtpd_ps(_mm256_sub_pd(pos01, _mm256_cvtepi64_pd(whole01)));
      fraction23 = _mm256_cvtpd_ps(_mm256_sub_pd(pos23, _mm256_cvtepi64_pd(whole23)));
      _mm256_store_si256(reinterpret_cast<__m256i*>(r.slots),
                         _mm256_and_si256(whole01, historyMask));
      _mm256_store_si256(reinterpret_cast<__m256i*>(r.slots + 4),
                         _mm256_and_si256(whole23, historyMask));
    } else {
      __m128i whole01 = _mm256_cvttpd_epi32(pos01);
      __m128i whole23 = _mm256_cvttpd_epi32(pos23);
      __m256i wholes = _mm256_set_m128i(whole23, whole01);
      const __m256i failed = _mm256_cmpeq_epi32(wholes, _mm256_set1_epi32(INT32_MIN));
      if (__builtin_expect(_mm256_movemask_ps(_mm256_castsi256_ps(failed)) != 0, 0)) {
        double pos[8];
        _mm256_storeu_pd(pos, pos01);
        _mm256_storeu_pd(pos + 4, pos23);
        splitWidePositions(pos, whole01, fraction01);
        splitWidePositions(pos + 4, whole23, fraction23);
        wholes = _mm256_set_m128i(whole23, whole01);
      } else {
        fraction01 = _mm256_cvtpd_ps(_mm256_sub_pd(pos01, _mm256_cvtepi32_pd(whole01)));
        fraction23 = _mm256_cvtpd_ps(_mm256_sub_pd(pos23, _mm256_cvtepi32_pd(whole23)));
      }
      _mm256_store_si256(reinterpret_cast<__m256i*>(r.slots),
                         _mm256_and_si256(wholes, historyMask));
    }
    r.fraction = _mm256_set_m128(fraction23, fraction01);

    if (kTrackPitch)
      r.inc = _mm256_mul_ps(R, invP8);
    else
      r.inc = _mm256_add_ps(fixedInc, _mm256_mul_ps(r.e, fixedIncRange));
    return r;
  };

  // Four steps of the filters: the input filter pair for the inputs in lo and hi (two
  // samples each), the multimode filter for the inputs z at frequencies f. A filter whose
  // samples are not there keeps its state.
  auto filterSteps = [&](__m128 lo, __m128 hi, __m256 z, __m256 f, bool inputs,
                         bool multimode) __attribute__((always_inline)) {
    const __m256 lowBefore = low8, bandBefore = band8;
    const __m256 a0 =
        _mm256_insertf128_ps(_mm256_castps128_ps256(lo), _mm256_castps256_ps128(z), 1);
    const __m256 a2 = _mm256_blend_ps(z, _mm256_castps128_ps256(hi), 0x0F);
    const __m256 f0 = _mm256_insertf128_ps(inF8, _mm256_castps256_ps128(f), 1);
    const __m256 f2 = _mm256_blend_ps(f, inF8, 0x0F);
    const __m256 h0 = filterStep(a0, f0);
    const __m256 l0 = low8, b0 = band8;
    const __m256 h1 = filterStep(_mm256_shuffle_ps(a0, a0, _MM_SHUFFLE(3, 2, 3, 2)),
                                 _mm256_permutevar_ps(f0, secondSample));
    const __m256 l1 = low8, b1 = band8;
    const __m256 h2 = filterStep(a2, f2);
    const __m256 l2 = low8, b2 = band8;
    const __m256 h3 = filterStep(_mm256_shuffle_ps(a2, a2, _MM_SHUFFLE(3, 2, 3, 2)),
                                 _mm256_permutevar_ps(f2, secondSample));
    const __m256 l3 = low8, b3 = band8;
    Filtered r;
    r.input[0] = _mm256_castps256_ps128(h0);
    r.input[1] = _mm256_castps256_ps128(h1);
    r.input[2] = _mm256_castps256_ps128(h2);
    r.input[3] = _mm256_castps256_ps128(h3);
    // Lanes 4-5 of the four steps, in sample order.
    auto samples = [&](__m256 v0, __m256 v1, __m256 v2, __m256 v3) __attribute__((always_inline)) {
      return _mm256_permute2f128_ps(_mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(1, 0, 1, 0)),
                                    _mm256_shuffle_ps(v2, v3, _MM_SHUFFLE(1, 0, 1, 0)), 0x31);
    };
    r.low = samples(l0, l1, l2, l3);
    r.high = samples(h0, h1, h2, h3);
    r.band = samples(b0, b1, b2, b3);
    if (!inputs) {
      low8 = _mm256_blend_ps(low8, lowBefore, 0x0F);
      band8 = _mm256_blend_ps(band8, bandBefore, 0x0F);
    }
    if (!multimode) {
      low8 = _mm256_blend_ps(low8, lowBefore, 0xF0);
      band8 = _mm256_blend_ps(band8, bandBefore, 0xF0);
    }
    return r;
  };

  // Samples j to j + 3 from their early values and filtered inputs up to the multimode
  // filter's input: the history reads and writes, the oscillator phase, the waveforms, the
  // ring modulation and the oscillator mix.
  auto middle = [&](size_t j, const Early& in, __m128 lo, __m128 hi, __m256 d,
                    const Filtered& fl) __attribute__((always_inline)) {
    __m128 write[4];
    const __m128 next = _mm_movehl_ps(hi, hi);
    const __m128 raw01 = _mm_movelh_ps(x, lo);
    const __m128 raw23 = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(1, 0, 3, 2));
    const __m128 filtered01 = _mm_shuffle_ps(fl.input[0], fl.input[1], _MM_SHUFFLE(3, 2, 3, 2));
    const __m128 filtered23 = _mm_shuffle_ps(fl.input[2], fl.input[3], _MM_SHUFFLE(3, 2, 3, 2));
    write[0] = _mm_unpacklo_ps(raw01, filtered01);
    write[1] = _mm_unpackhi_ps(raw01, filtered01);
    write[2] = _mm_unpacklo_ps(raw23, filtered23);
    write[3] = _mm_unpackhi_ps(raw23, filtered23);
    _mm_storeu_ps(flt0 + j, _mm_shuffle_ps(filtered01, filtered23, _MM_SHUFFLE(2, 0, 2, 0)));
    _mm_storeu_ps(flt1 + j, _mm_shuffle_ps(filtered01, filtered23, _MM_SHUFFLE(3, 1, 3, 1)));
    x = next;

    // History: each sample's replay reads come before its write, as in the kernel.
    const __m128 p0 = replayAndStore(j, in.slots, write[0]);
    const __m128 p1 = replayAndStore(j + 1, in.slots + 2, write[1]);
    const __m128 p2 = replayAndStore(j + 2, in.slots + 4, write[2]);
    const __m128 p3 = replayAndStore(j + 3, in.slots + 6, write[3]);
    const __m256 p02 = _mm256_set_m128(p2, p0), p13 = _mm256_set_m128(p3, p1);
    const __m256 a = _mm256_shuffle_ps(p02, p13, _MM_SHUFFLE(2, 0, 2, 0));
    const __m256 b = _mm256_shuffle_ps(p02, p13, _MM_SHUFFLE(3, 1, 3, 1));
    const __m256 w = _mm256_add_ps(a, _mm256_mul_ps(in.fraction, _mm256_sub_ps(b, a)));

    // Waveforms, ring modulation and oscillator mix; 2t and 4t are exact doublings.
    const Samples incs(in.inc);
    const __m128 o0 = oscillatorStep(incs.s[0]);
    const __m128 o1 = oscillatorStep(incs.s[1]);
    const __m128 o2 = oscillatorStep(incs.s[2]);
    const __m128 o3 = oscillatorStep(incs.s[3]);
    const __m256 t = gather(o0, o1, o2, o3), e = in.e;
    const __m256 t2 = _mm256_add_ps(t, t);
    const __m256 t4 = _mm256_add_ps(t2, t2);
    const __m256 saw = _mm256_sub_ps(t2, one8);
    const __m256 triangle = _mm256_min_ps(_mm256_sub_ps(three8, t4), _mm256_sub_ps(t4, one8));
    const __m256 duty = _mm256_add_ps(pulseWidth, _mm256_mul_ps(e, pwmDepth));
    __m256 square;
    if constexpr (kAvx512)
      square = _mm256_mask_blend_ps(_mm256_cmp_ps_mask(t, duty, _CMP_LE_OS), squareMinus,
                                    squarePlus);
    else
      square = _mm256_xor_ps(squarePlus,
                             _mm256_andnot_ps(_mm256_cmp_ps(t, duty, _CMP_LE_OS), squareFlip));
    const __m256 o = _mm256_add_ps(_mm256_add_ps(square, _mm256_mul_ps(sawGain, saw)),
                                   _mm256_mul_ps(triangleGain, triangle));
    const __m256 g = _mm256_add_ps(unfollowed, _mm256_mul_ps(oscEnvFollow, in.env));
    const __m256 y = _mm256_mul_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(oscGain, g), _mm256_mul_ps(wetRingGain, w)),
                      _mm256_mul_ps(dryRingGain, d)),
        o);
    const __m256 z = _mm256_add_ps(y, _mm256_mul_ps(wetGain, w));
    const __m256 f = _mm256_add_ps(filterF, _mm256_mul_ps(e, filterFRange));
    return Front{z, f, _mm256_mul_ps(dryGain, d)};
  };

  // The output sum of samples j to j + 3 from their multimode filter values.
  auto back = [&](size_t j, const Front& in, const Filtered& fl) __attribute__((always_inline)) {
    const __m256 out = _mm256_add_ps(
        _mm256_add_ps(
            _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(highW, fl.high), _mm256_mul_ps(thruW, in.z)),
                          _mm256_mul_ps(bandW, fl.band)),
            in.dry),
        _mm256_mul_ps(lowW, fl.low));
    // Per channel, samples j to j + 3; channel 1 is stored last, as the kernels store when
    // both outputs are one buffer.
    const __m128 out01 = _mm256_castps256_ps128(out);
    const __m128 out23 = _mm256_extractf128_ps(out, 1);
    _mm_storeu_ps(dst0 + j, _mm_shuffle_ps(out01, out23, _MM_SHUFFLE(2, 0, 2, 0)));
    _mm_storeu_ps(dst1 + j, _mm_shuffle_ps(out01, out23, _MM_SHUFFLE(3, 1, 3, 1)));
  };

  // One step of the pipeline: the input filter, history and mixing of the group at jm (from
  // its early values), the multimode filter and output of the group at jb (from its front).
  // The dry samples are read before this step writes the history (the look-ahead is longer).
  auto step = [&](size_t jm, const Early* middleIn, size_t jb,
                  const Front* backIn) __attribute__((always_inline)) {
    __m128 lo = _mm_setzero_ps(), hi = _mm_setzero_ps();
    __m256 d = zero8;
    if (middleIn) {
      // {channel 0 at jm, jm + 1, channel 1 at jm, jm + 1}, then jm + 2 and jm + 3 alike,
      // put in sample order.
      const __m256 d01 = _mm256_shuffle_ps(_mm256_loadu_ps(dry0 + 2 * jm),
                                           _mm256_loadu_ps(dry1 + 2 * jm), _MM_SHUFFLE(2, 0, 2, 0));
      d = _mm256_permute_ps(d01, _MM_SHUFFLE(3, 1, 2, 0));
      // Inputs jm + 1 to jm + 4 (x holds jm): the filter pair runs one sample ahead.
      const __m128 in0 = _mm_loadu_ps(src0 + jm + 1);
      const __m128 in1 = _mm_loadu_ps(src1 + jm + 1);
      lo = _mm_unpacklo_ps(in0, in1);
      hi = _mm_unpackhi_ps(in0, in1);
    }
    const Filtered fl = filterSteps(lo, hi, backIn ? backIn->z : zero8,
                                    backIn ? backIn->f : zero8, middleIn != nullptr,
                                    backIn != nullptr);
    Front front{zero8, zero8, zero8};
    if (middleIn) front = middle(jm, *middleIn, lo, hi, d, fl);
    if (backIn) back(jb, *backIn, fl);
    return front;
  };

  // A three-stage pipeline over groups of four samples: each step runs the input filter,
  // history and mixing of one group, the multimode filter of the group before it, and the
  // recursions up to the replay positions of the group after it, so that the long dependent
  // paths of three groups overlap instead of following one another. The envelope runs one
  // group further ahead still, so that the replay phase never waits for it; at the end it
  // has run one group too many, and its state is taken from the last group that ran. (Each
  // of these orders was measured against the others: deeper pipelines hold more values than
  // there are registers and lose more than they gain.)
  if (4 > last) return 0;
  Envelopes envelopeNext = envelope();
  __m128 envelopeDone = env;  // the envelope after the last group whose early stage ran
  auto early = [&]() __attribute__((always_inline)) {
    const Envelopes en = envelopeNext;
    envelopeDone = en.env23;
    envelopeNext = envelope();
    return earlyOf(en);
  };
  size_t j = 0;
  Early earlyA = early();
  if (j + 8 > last) {
    const Front f = step(j, &earlyA, 0, nullptr);
    step(0, nullptr, j, &f);
    j += 4;
  } else {
    Early earlyB = early();
    Front frontA = step(j, &earlyA, 0, nullptr);
    for (j += 8; j + 4 <= last; j += 4) {
      const Front f = step(j - 4, &earlyB, j - 8, &frontA);
      earlyB = early();
      frontA = f;
    }
    const Front f = step(j - 4, &earlyB, j - 8, &frontA);
    step(0, nullptr, j - 4, &f);
  }

  state.inputLow = _mm256_castps256_ps128(low8);
  state.inputBand = _mm256_castps256_ps128(band8);
  // The multimode filter's lanes 2-3 as they came: the two-sample steps carry them along.
  state.filterLow = _mm_blend_ps(_mm256_extractf128_ps(low8, 1), state.filterLow, 0x0C);
  state.filterBand = _mm_blend_ps(_mm256_extractf128_ps(band8, 1), state.filterBand, 0x0C);
  state.phase = phase;
  state.osc = osc;
  // The envelope ran one group further than the rest: its state after the last group run.
  state.env = _mm_movehl_ps(state.env, envelopeDone);
  state.x = x;
  return j;
}

#endif
