# The plug-in's own exp, exp2, log, log2, pow and sin, compiled from Debian's musl source
# package into a small static library (dsp/PortableMath.h is its interface).
#
# Every factory program must give the same samples on Linux and on 32- and 64-bit Windows.
# The C libraries' functions differ in the last bit from one another (glibc even chooses
# FMA variants by CPU at run time), and one last bit in a coefficient changes every sample
# after it. musl's functions are portable C (exp, exp2, log, log2, pow: Arm's optimized
# routines; sin: FreeBSD's), so compiled here with the same flags they give the same bits
# everywhere. Only the generic C files are used, never an architecture folder.
#
# The source comes from cmake/DebianSource.cmake; -DQUORVELLA_MUSL_SOURCE_DIR=<unpacked
# musl-1.2.x> uses another copy instead.

include(${CMAKE_SOURCE_DIR}/cmake/DebianSource.cmake)
quorvella_debian_source(musl src/math/exp_data.c QUORVELLA_MUSL_SOURCE_DIR muslRoot)

set(portableMathSources)
foreach(name exp exp2 log log2 pow sin
             exp_data log_data log2_data pow_data
             __sin __cos __rem_pio2 __rem_pio2_large floor scalbn
             __math_divzero __math_invalid __math_oflow __math_uflow __math_xflow)
  list(APPEND portableMathSources "${muslRoot}/src/math/${name}.c")
endforeach()

add_library(quorvella_portable_math STATIC ${portableMathSources})
set_target_properties(quorvella_portable_math PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  C_VISIBILITY_PRESET hidden
  C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
# Our replacements of the few libc headers the sources include (features.h, endian.h,
# math.h, fp_arch.h) come before the system's; libm.h is musl's own.
set(portableMathShim "${CMAKE_CURRENT_LIST_DIR}/portable-math")
target_include_directories(quorvella_portable_math BEFORE PRIVATE
  "${portableMathShim}" "${muslRoot}/src/internal")
# 32-bit x86 computes in SSE2 registers as x86_64 does (names.h refuses the x87 unit).
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|X86|x86_64|AMD64|amd64)$")
  target_compile_options(quorvella_portable_math PRIVATE -msse2 -mfpmath=sse)
endif()
target_compile_options(quorvella_portable_math PRIVATE
  -include "${portableMathShim}/names.h"
  # musl's own build flags (its strict C99 mode implies no contraction; here it is said
  # outright, as the project's flags could change), so that the code means what its
  # authors wrote: each operation rounded to double as written (no fused multiply-add, no
  # x87 extended precision carried across statements, no reassociation), and no constant
  # folding that assumes the rounding mode. The renamed functions must not be recognised
  # as builtins and replaced by the compiler's expansions or calls into the system libm.
  -ffp-contract=off -fno-fast-math -fexcess-precision=standard -frounding-math -fno-builtin
  # A function the sources call without a declaration from our math.h would be taken to
  # return int (fabs did, before math.h defined it): a wrong result, not a style issue.
  -Werror=implicit-function-declaration
  # musl's force-evaluation helpers store into a volatile they never read, on purpose.
  -Wno-unused-but-set-variable)
