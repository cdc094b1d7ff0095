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

// Decided while the library loads, never on the audio thread.
const bool kAvx2 = processorRunsAvx2();
const bool kAvx512 = kAvx2 && processorRunsAvx512();

}  // namespace

bool WideLaneSteps::available() noexcept { return kAvx2; }

WideLaneSteps::Instructions WideLaneSteps::best() noexcept {
  return kAvx512 ? Instructions::avx512 : Instructions::avx2;
}

size_t WideLaneSteps::run(Instructions instructions, bool trackPitch, const SubRun& subRun,
                          State& state, size_t last) noexcept {
  if (instructions == Instructions::avx512 && kAvx512)
    return WideLaneLoop<true>::run(trackPitch, subRun, state, last);
  return WideLaneLoop<false>::run(trackPitch, subRun, state, last);
}

#pragma GCC push_options
#pragma GCC target("avx2")

int32_t WideLaneSteps::scanWithoutCrossing(const float* filtered, int32_t count,
                                           float& peak) noexcept {
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
  for (float p : lanes)
    if (p > peak) peak = p;
  return i;
}

#pragma GCC pop_options

#endif
