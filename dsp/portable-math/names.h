/* Forced into every C file of the portable math library (before anything else).
 *
 * The library's external names all start with quorvella_math_, so that they can never
 * be confused with the C library's exp, floor, or its internal __exp_data and __sin:
 * the test programs link it statically next to the system libm, and a Windows DLL links
 * it next to the C runtime's. dsp/PortableMath.h declares the public ones. A check
 * in the test suite lists the library's symbols and fails on any other name. */
#ifndef QUORVELLA_PORTABLE_MATH_NAMES_H
#define QUORVELLA_PORTABLE_MATH_NAMES_H

/* The functions the plug-in calls. */
#define exp quorvella_math_exp
#define exp2 quorvella_math_exp2
#define log quorvella_math_log
#define log2 quorvella_math_log2
#define pow quorvella_math_pow
#define sin quorvella_math_sin

/* What they need: exact helpers, argument reduction, kernels, tables, error results. */
#define floor quorvella_math_floor
#define scalbn quorvella_math_scalbn
#define __sin quorvella_math_sin_kernel
#define __cos quorvella_math_cos_kernel
#define __rem_pio2 quorvella_math_rem_pio2
#define __rem_pio2_large quorvella_math_rem_pio2_large
#define __exp_data quorvella_math_exp_data
#define __log_data quorvella_math_log_data
#define __log2_data quorvella_math_log2_data
#define __pow_log_data quorvella_math_pow_log_data
#define __math_divzero quorvella_math_divzero
#define __math_invalid quorvella_math_invalid
#define __math_oflow quorvella_math_oflow
#define __math_uflow quorvella_math_uflow
#define __math_xflow quorvella_math_xflow

/* The same arithmetic on every target: a compiler that knows the machine has fused
 * multiply-add announces it here, and the sources then take their FMA branches, whose
 * results differ in the last bit from the plain ones. Those branches are never taken. */
#undef __FP_FAST_FMA

/* 32-bit x86 must do its double arithmetic in SSE2 registers: the x87 unit rounds to 64
 * bits of mantissa first and to 53 when storing, and its results differ in the last bit. */
#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "the portable math library needs -msse2 -mfpmath=sse on 32-bit x86"
#endif

#endif
