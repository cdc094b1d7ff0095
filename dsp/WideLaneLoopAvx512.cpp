// The four-sample steps compiled for AVX-512 (F, VL and DQ); WideLaneSteps runs them only
// on processors that have it.
#if defined(__SSE2__) && defined(__x86_64__)

// What the loop includes comes first, compiled for the baseline: only the loop itself is
// compiled for this set, so that no inline function of another header can be emitted here
// with instructions that other processors lack (the linker keeps one copy of each).
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "dsp/CQuorvellaKernel.h"
#include "dsp/WideLaneSteps.h"

#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512vl,avx512dq")

#include "dsp/WideLaneLoop.h"

template size_t WideLaneLoop<true>::run(bool, const SubRun&, State&, size_t) noexcept;

#pragma GCC pop_options

#endif
