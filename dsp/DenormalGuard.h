// Flushes subnormal floats to zero for the lifetime of the guard (audio thread, per block).
// Decaying filter and envelope states would otherwise crawl through subnormal numbers,
// which costs x86 processors a hundred times the usual arithmetic time.
#pragma once

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

class DenormalGuard {
public:
#if defined(__SSE__)
  DenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
  ~DenormalGuard() { _mm_setcsr(saved); }
#else
  DenormalGuard() = default;
#endif
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#if defined(__SSE__)
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned saved;
#endif
};
