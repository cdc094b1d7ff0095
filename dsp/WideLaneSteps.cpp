#include "dsp/WideLaneSteps.h"

#if defined(QUORVELLA_WIDE_LANES)

#include <immintrin.h>

#include <cstdint>

#include "dsp/WideLaneLoop.h"

namespace {

bool processorRunsAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

// The AVX-512 loop uses its F, VL (256-bit vectors) and DQ (64-bit conversions) parts.
bool processorRunsAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512dq");
}

// Raises peak to the largest of the scan's lane maxima (NaNs and zeros never replace it).
void raisePeak(const float* lanes, int count, float& peak) {
  for (int i = 0; i < count; ++i)
    if (lanes[i] > peak) peak = lanes[i];
}

// Decided while the library loads, never on the audio thread.
const bool kAvx2 = processorRunsAvx2();
const bool kAvx512 = kAvx2 && processorRunsAvx512();

}  // namespace

bool WideLaneSteps::available() noexcept { return kAvx2; }

WideLaneSteps::Instructions WideLaneSteps::best() noexcept {
  return kAvx512 ? Instructions::avx512 : Instructions::avx2;
}

WideLaneSteps::Instructions WideLaneSteps::instructionsFor(LaneSteps steps) noexcept {
  return steps == LaneSteps::best ? best() : Instructions::avx2;
}

size_t WideLaneSteps::run(Instructions instructions, bool trackPitch, const SubRun& subRun,
                          State& state, size_t last) noexcept {
  if (instructions == Instructions::avx512 && kAvx512)
    return WideLaneLoop<true>::run(trackPitch, subRun, state, last);
  return WideLaneLoop<false>::run(trackPitch, subRun, state, last);
}

#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

// The scan from the first slot on, sixteen and then eight at a time.
int32_t scanEights(const float* filtered, int32_t count, float& peak) {
  const __m256 zero = _mm256_setzero_ps();
  // The filtered members of slots i to i + 7, and whether they hold a rising crossing.
  struct Eight {
    __m256 v;
    int crossing;
  };
  auto eight = [&](int32_t i) __attribute__((always_inline)) {
    // The filtered members of slots i to i + 7 and of their predecessors, in the same
    // (shuffled) order.
    const float* f = filtered + 2 * i;
    const __m256 v = _mm256_shuffle_ps(_mm256_loadu_ps(f - 1), _mm256_loadu_ps(f + 7),
                                       _MM_SHUFFLE(3, 1, 3, 1));
    const __m256 before = _mm256_shuffle_ps(_mm256_loadu_ps(f - 3), _mm256_loadu_ps(f + 5),
                                            _MM_SHUFFLE(3, 1, 3, 1));
    const __m256 crossing = _mm256_and_ps(_mm256_cmp_ps(v, zero, _CMP_GT_OS),
                                          _mm256_cmp_ps(before, zero, _CMP_LE_OS));
    return Eight{v, _mm256_movemask_ps(crossing)};
  };
  // Sixteen at a time into two maxima, so that the maxima's latency does not bound the scan.
  __m256 peaks = zero, peaksB = zero;
  int32_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const Eight a = eight(i), b = eight(i + 8);
    if ((a.crossing | b.crossing) != 0) break;
    peaks = _mm256_max_ps(a.v, peaks);
    peaksB = _mm256_max_ps(b.v, peaksB);
  }
  for (; i + 8 <= count; i += 8) {
    const Eight a = eight(i);
    if (a.crossing != 0) break;
    peaks = _mm256_max_ps(a.v, peaks);
  }
  peaks = _mm256_max_ps(peaksB, peaks);
  float lanes[8];
  _mm256_storeu_ps(lanes, peaks);
  raisePeak(lanes, 8, peak);
  return i;
}

}  // namespace

#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512vl,avx512dq")

namespace {

// The maximum with every lane taken, which is the plain one; GCC 12 warns about the plain
// intrinsic's undefined operand.
inline __m512 maximum(__m512 a, __m512 b) { return _mm512_maskz_max_ps(0xFFFF, a, b); }

// The scan thirty-two at a time in 512-bit vectors: one permutation puts sixteen filtered
// members in order, and the crossing test takes the comparisons' mask bits, each slot's
// "not positive" bit shifted onto its successor. Stops at the first crossing, whose place
// the bits give, or before fewer than thirty-two slots remain.
WideLaneSteps::Scan scanThirtyTwos(const float* filtered, int32_t count, float& peak) {
  const __m512 zero = _mm512_setzero_ps();
  const __m512i odd =
      _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
  auto sixteen = [&](int32_t i) __attribute__((always_inline)) {
    const float* f = filtered + 2 * i;
    return _mm512_permutex2var_ps(_mm512_loadu_ps(f - 1), odd, _mm512_loadu_ps(f + 15));
  };
  // Bit 0: whether the slot before the next thirty-two is not positive.
  uint32_t before = filtered[-2] <= 0.0f ? 1u : 0u;
  __m512 peaks = zero, peaksB = zero;
  WideLaneSteps::Scan scan{0, false};
  int32_t& i = scan.passed;
  for (; i + 32 <= count; i += 32) {
    const __m512 a = sixteen(i), b = sixteen(i + 16);
    const uint32_t positive = static_cast<uint32_t>(_mm512_cmp_ps_mask(a, zero, _CMP_GT_OS)) |
                              static_cast<uint32_t>(_mm512_cmp_ps_mask(b, zero, _CMP_GT_OS)) << 16;
    const uint32_t notPositive =
        static_cast<uint32_t>(_mm512_cmp_ps_mask(a, zero, _CMP_LE_OS)) |
        static_cast<uint32_t>(_mm512_cmp_ps_mask(b, zero, _CMP_LE_OS)) << 16;
    const uint32_t crossings = positive & (notPositive << 1 | before);
    if (crossings != 0) {
      // The peak takes the slots up to and including the first crossing.
      const int first = __builtin_ctz(crossings);
      const uint32_t upToFirst = first == 31 ? ~0u : (2u << first) - 1;
      peaks = _mm512_mask_max_ps(peaks, static_cast<__mmask16>(upToFirst), a, peaks);
      peaksB = _mm512_mask_max_ps(peaksB, static_cast<__mmask16>(upToFirst >> 16), b, peaksB);
      i += first;
      scan.crossing = true;
      break;
    }
    before = notPositive >> 31;
    peaks = maximum(a, peaks);
    peaksB = maximum(b, peaksB);
  }
  peaks = maximum(peaksB, peaks);
  float lanes[16];
  _mm512_storeu_ps(lanes, peaks);
  raisePeak(lanes, 16, peak);
  return scan;
}

}  // namespace

#pragma GCC pop_options

WideLaneSteps::Scan WideLaneSteps::scan(Instructions instructions, const float* filtered,
                                         int32_t count, float& peak) noexcept {
  Scan scan{0, false};
  if (instructions == Instructions::avx512 && kAvx512) {
    scan = scanThirtyTwos(filtered, count, peak);
    if (scan.crossing) return scan;
  }
  scan.passed += scanEights(filtered + 2 * scan.passed, count - scan.passed, peak);
  return scan;
}

#endif
