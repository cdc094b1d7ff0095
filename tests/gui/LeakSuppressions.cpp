// Allocations that system libraries keep for the life of the process and that the leak
// checker of the sanitizer build would otherwise report: fontconfig's parsed configuration
// and the software GL driver's compiler state.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:swrast_dri.so\nleak:libLLVM\n";
}
