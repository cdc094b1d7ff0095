/* The part of <math.h> that the library's sources use, in place of the system's header:
 * glibc's and mingw-w64's differ (double_t, inline definitions, builtin redirections),
 * and the library must see the same declarations everywhere. */
#ifndef QUORVELLA_PORTABLE_MATH_MATH_H
#define QUORVELLA_PORTABLE_MATH_MATH_H

/* libm.h's declarations use `hidden` without including this themselves. */
#include <features.h>

/* Intermediate types as wide as the compiler evaluates: double with SSE2 (every target
 * of the plug-in), long double only where the x87 unit evaluates in extended precision. */
#if defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ == 2
typedef long double float_t;
typedef long double double_t;
#elif defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ == 1
typedef double float_t;
typedef double double_t;
#else
typedef float float_t;
typedef double double_t;
#endif

#define INFINITY __builtin_inff()
#define NAN __builtin_nanf("")

/* Exact on every target; the compiler's inline form, never a call into a C library. */
#define fabs(x) __builtin_fabs(x)

/* Renamed by names.h to their quorvella_math_ spellings. */
double exp(double);
double exp2(double);
double log(double);
double log2(double);
double pow(double, double);
double sin(double);
double floor(double);
double scalbn(double, int);

#endif
