// What the sanitizer builds would otherwise report from system libraries rather than from
// our code: allocations fontconfig and the software GL driver keep for the life of the
// process, and the driver's own worker threads, which synchronise in ways the thread
// checker cannot see through an uninstrumented library.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:swrast_dri.so\nleak:libLLVM\n";
}

extern "C" const char* __tsan_default_suppressions() {
  return "race:swrast_dri.so\nmutex:swrast_dri.so\n";
}
