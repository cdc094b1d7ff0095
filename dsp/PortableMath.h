// The transcendental functions of the signal path and of the parameter mappings, the same
// to the last bit on every platform the plug-in is built for.
//
// std::exp and its kin come from the C library, and the C libraries differ in the last bit:
// glibc, mingw-w64's runtime and Microsoft's msvcrt each round some arguments differently,
// and glibc picks FMA variants by CPU at run time, so even two Linux machines disagree. A
// coefficient one bit apart changes every sample after it. These come from one portable C
// implementation (musl's, built by dsp/PortableMath.cmake with fixed floating-point
// flags), whose results are the same on x86_64 and on i686 with SSE2 arithmetic. Each is
// within 1 ulp of the exact value, as the C libraries' are.
//
// Threads: pure functions of their arguments, callable from any thread, the audio thread
// included. They do not allocate, lock or touch errno; they only raise the usual
// floating-point exception flags.
#pragma once

extern "C" {
double quorvella_math_exp(double);
double quorvella_math_exp2(double);
double quorvella_math_log(double);
double quorvella_math_log2(double);
double quorvella_math_pow(double, double);
double quorvella_math_sin(double);
}

namespace pmath {

inline double exp(double x) {
  return quorvella_math_exp(x);
}
inline double exp2(double x) {
  return quorvella_math_exp2(x);
}
inline double log(double x) {
  return quorvella_math_log(x);
}
inline double log2(double x) {
  return quorvella_math_log2(x);
}
inline double pow(double x, double y) {
  return quorvella_math_pow(x, y);
}
inline double sin(double x) {
  return quorvella_math_sin(x);
}

}  // namespace pmath
