#include "bench/RecursionLimit.h"

#if defined(__SSE2__) && defined(__x86_64__)
#define QUORVELLA_RECURSION_LANES 1
#include <emmintrin.h>
#endif

namespace {
// The envelope's target per block: up and down in turn, so that both coefficients are used.
constexpr float kHighTarget = 0.8f, kLowTarget = 0.1f;
}  // namespace

void RecursionLimit::reset() noexcept { *this = RecursionLimit(); }

#if !defined(QUORVELLA_RECURSION_LANES)

void RecursionLimit::process(const BlockSettings& s, const float* const inputs[2],
                             float* const outputs[2], uint32_t frames) noexcept {
  const float target = rising ? kHighTarget : kLowTarget;
  const float k = rising ? s.envAttackCoef : s.envReleaseCoef;
  rising = !rising;
  for (uint32_t j = 0; j < frames; ++j) {
    for (int c = 0; c < 2; ++c) {
      const float x = inputs[c][j];
      low1[c] = low1[c] + s.inputLowpassF * band1[c];
      const float h1 = x - low1[c] - s.inputLowpassDamping * band1[c];
      band1[c] = band1[c] + s.inputLowpassF * h1;
      low2[c] = low2[c] + s.inputHighpassF * band2[c];
      const float h2 = low1[c] - low2[c] - s.inputHighpassDamping * band2[c];
      band2[c] = band2[c] + s.inputHighpassF * h2;
      env[c] = target + (env[c] - target) * k;
      const float e = env[c] - s.triggerLevel > 0.0f ? env[c] - s.triggerLevel : 0.0f;
      const float f = s.filterF + e * s.filterFRange;
      const float low = filterLow[c] + f * filterBand[c];
      const float high = h2 - low - s.filterDamping * filterBand[c];
      filterLow[c] = low;
      filterBand[c] = filterBand[c] + f * high;
      outputs[c][j] = filterBand[c];
    }
  }
}

#else

// The product's packed layout: the input filter pair in four lanes, pipelined one sample
// ahead (low-pass stage of sample j + 1 in lanes 0-1, high-pass stage of sample j in lanes
// 2-3), the envelope and the multimode filter in lanes 0-1.
void RecursionLimit::process(const BlockSettings& s, const float* const inputs[2],
                             float* const outputs[2], uint32_t frames) noexcept {
  if (frames == 0) return;
  const __m128 target = _mm_set1_ps(rising ? kHighTarget : kLowTarget);
  const __m128 k = _mm_set1_ps(rising ? s.envAttackCoef : s.envReleaseCoef);
  rising = !rising;
  const __m128 inF =
      _mm_setr_ps(s.inputLowpassF, s.inputLowpassF, s.inputHighpassF, s.inputHighpassF);
  const __m128 inQ = _mm_setr_ps(s.inputLowpassDamping, s.inputLowpassDamping,
                                 s.inputHighpassDamping, s.inputHighpassDamping);
  const __m128 zero = _mm_setzero_ps();
  const __m128 trigger = _mm_set1_ps(s.triggerLevel);
  const __m128 filterF = _mm_set1_ps(s.filterF), filterFRange = _mm_set1_ps(s.filterFRange);
  const __m128 q = _mm_set1_ps(s.filterDamping);

  __m128 inLow = _mm_setr_ps(low1[0], low1[1], low2[0], low2[1]);
  __m128 inBand = _mm_setr_ps(band1[0], band1[1], band2[0], band2[1]);
  __m128 e0 = _mm_setr_ps(env[0], env[1], 0.0f, 0.0f);
  __m128 fLow = _mm_setr_ps(filterLow[0], filterLow[1], 0.0f, 0.0f);
  __m128 fBand = _mm_setr_ps(filterBand[0], filterBand[1], 0.0f, 0.0f);
  const float* const src0 = inputs[0];
  const float* const src1 = inputs[1];
  float* const dst0 = outputs[0];
  float* const dst1 = outputs[1];

  auto filterStep = [&](__m128 x) __attribute__((always_inline)) {
    const __m128 u = _mm_movelh_ps(x, inLow);
    inLow = _mm_add_ps(inLow, _mm_mul_ps(inF, inBand));
    const __m128 high = _mm_sub_ps(_mm_sub_ps(u, inLow), _mm_mul_ps(inQ, inBand));
    inBand = _mm_add_ps(inBand, _mm_mul_ps(inF, high));
    return high;
  };
  auto loadInput = [&](size_t j) __attribute__((always_inline)) {
    return _mm_unpacklo_ps(_mm_load_ss(src0 + j), _mm_load_ss(src1 + j));
  };
  auto sample = [&](size_t j, __m128 xf) __attribute__((always_inline)) {
    e0 = _mm_add_ps(target, _mm_mul_ps(_mm_sub_ps(e0, target), k));
    const __m128 e = _mm_max_ps(zero, _mm_sub_ps(e0, trigger));
    const __m128 f = _mm_add_ps(filterF, _mm_mul_ps(e, filterFRange));
    const __m128 low = _mm_add_ps(fLow, _mm_mul_ps(f, fBand));
    const __m128 high = _mm_sub_ps(_mm_sub_ps(xf, low), _mm_mul_ps(q, fBand));
    fBand = _mm_add_ps(fBand, _mm_mul_ps(f, high));
    fLow = low;
    _mm_store_ss(dst0 + j, fBand);
    _mm_store_ss(dst1 + j, _mm_shuffle_ps(fBand, fBand, _MM_SHUFFLE(1, 1, 1, 1)));
  };

  // First step: the low-pass stage of sample 0 alone.
  {
    const __m128 lowBefore = inLow, bandBefore = inBand;
    filterStep(loadInput(0));
    inLow = _mm_shuffle_ps(inLow, lowBefore, _MM_SHUFFLE(3, 2, 1, 0));
    inBand = _mm_shuffle_ps(inBand, bandBefore, _MM_SHUFFLE(3, 2, 1, 0));
  }
  const size_t last = frames - 1;
  for (size_t j = 0; j < last; ++j) {
    const __m128 high = filterStep(loadInput(j + 1));
    sample(j, _mm_movehl_ps(high, high));
  }
  // Last step: the high-pass stage of the last sample alone.
  {
    const __m128 lowBefore = inLow, bandBefore = inBand;
    const __m128 high = filterStep(zero);
    inLow = _mm_shuffle_ps(lowBefore, inLow, _MM_SHUFFLE(3, 2, 1, 0));
    inBand = _mm_shuffle_ps(bandBefore, inBand, _MM_SHUFFLE(3, 2, 1, 0));
    sample(last, _mm_movehl_ps(high, high));
  }

  float l[4], b[4], e[4], fl[4], fb[4];
  _mm_storeu_ps(l, inLow);
  _mm_storeu_ps(b, inBand);
  _mm_storeu_ps(e, e0);
  _mm_storeu_ps(fl, fLow);
  _mm_storeu_ps(fb, fBand);
  for (int c = 0; c < 2; ++c) {
    low1[c] = l[c];
    low2[c] = l[c + 2];
    band1[c] = b[c];
    band2[c] = b[c + 2];
    env[c] = e[c];
    filterLow[c] = fl[c];
    filterBand[c] = fb[c];
  }
}

#endif
