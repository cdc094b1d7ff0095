// What the sanitizer builds would otherwise report from system libraries rather than from
// our code: allocations fontconfig and the software GL driver keep for the life of the
// process, and the driver's own worker threads, which synchronise in ways the thread
// checker cannot see through an uninstrumented library.
//
// The GL driver is loaded and unloaded with each display connection (and with the plug-in
// that made one); a leak report made after it was unloaded names no module and cannot be
// matched. So the driver is pinned in memory for the whole process before any connection
// loads it. Our own allocations are still reported: only the system's modules are named.
#include <dlfcn.h>

#include <initializer_list>

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:swrast_dri.so\nleak:kms_swrast_dri.so\nleak:libLLVM\n"
         "leak:libGLX_mesa.so\nleak:libglapi.so\n";
}

extern "C" const char* __tsan_default_suppressions() {
  return "race:swrast_dri.so\nmutex:swrast_dri.so\n";
}

namespace {

struct PinnedGLDriver {
  PinnedGLDriver() {
    for (const char* name : {"libGLX_mesa.so.0", "libglapi.so.0",
                             "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                             "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so"})
      dlopen(name, RTLD_LAZY | RTLD_GLOBAL | RTLD_NODELETE);  // a missing one is fine
  }
} pinned;

}  // namespace
