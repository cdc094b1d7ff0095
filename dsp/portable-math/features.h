/* The library's sources take the `hidden` attribute from <features.h>. glibc has a header
 * of that name (its own headers include it, so it is passed on); mingw-w64 has none. */
#ifndef QUORVELLA_PORTABLE_MATH_FEATURES_H
#define QUORVELLA_PORTABLE_MATH_FEATURES_H

#if defined(__has_include_next)
#if __has_include_next(<features.h>)
#include_next <features.h>
#endif
#endif

/* Not exported from the plug-in. PE objects have no visibility (a DLL's exports are chosen
 * when it is linked), so there the attribute is left out. */
#if defined(_WIN32)
#define hidden
#else
#define hidden __attribute__((__visibility__("hidden")))
#endif

#endif
