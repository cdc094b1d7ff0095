// The LV2 plug-in's run() allocates nothing: allocations are counted while run() is called
// the ways hosts call it, through the C++ allocation functions (the shared counter) and,
// outside sanitizer builds (which keep their own allocator), through the C library's
// allocator too, which this program replaces for the whole process: the plug-in binary's
// scripts allocate through it. Its own program for that reason.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "dsp/QuorvellaParameters.h"
#include "faces/lv2/LV2Ports.h"
#include "lv2/LV2Instance.h"
#include "support/AllocationCount.h"

namespace {
std::atomic<bool> countingC{false};
std::atomic<long> cAllocations{0};

void countC() {
  if (countingC.load(std::memory_order_relaxed)) cAllocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// glibc's own allocator under its internal names: the replacements count and hand on.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);

void* malloc(size_t size) {
  countC();
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
  countC();
  return __libc_calloc(n, size);
}
void* realloc(void* block, size_t size) {
  countC();
  return __libc_realloc(block, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  countC();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
  countC();
  *out = __libc_memalign(alignment, size);
  return *out ? 0 : ENOMEM;
}
void free(void* block) { __libc_free(block); }
}
#endif

namespace {

using namespace lv2face;
using namespace lv2test;

TEST(LV2Run, RunAllocatesNothing) {
  BundleWorld bundle(QUORVELLA_LV2_BUNDLE_DIR);
  LV2Instance::Setup setup;
  setup.blockLength = 256;
  LV2Instance lv2(bundle, setup);
  ASSERT_TRUE(lv2.valid());
  ASSERT_TRUE(lv2.restorePreset(5));
  lv2.activate();
  const size_t total = 40000;
  std::vector<float> inL(total), inR(total), outL(total), outR(total);
  for (size_t i = 0; i < total; ++i) {
    inL[i] = 0.3f * static_cast<float>((i * 7) % 200) / 200.0f - 0.15f;
    inR[i] = 0.2f * static_cast<float>((i * 3) % 170) / 170.0f - 0.1f;
  }
  // The first run applies every port: the scripts and editor queues are warm after it.
  lv2.run(inL.data(), inR.data(), outL.data(), outR.data(), 256);

  const uint32_t sizes[] = {256, 0, 1, 700, 3000, 64};
  cAllocations = 0;
  countingC = true;
  testsupport::AllocationCount count;
  size_t at = 256;
  for (int i = 0; at + 3000 <= total; ++i) {
    const uint32_t n = sizes[i % 6];
    // Ports the host moves (never the OSC port offset: that would open a socket).
    lv2.control(parameterPort(kLowpassCutoff)) = 500.0f + static_cast<float>(i % 50) * 100.0f;
    lv2.control(parameterPort(kFilterType)) = static_cast<float>(i % 4);
    if (i % 7 == 3) {
      lv2.run(inL.data() + at, nullptr, outL.data() + at, nullptr, n);  // ports unconnected
    } else {
      lv2.run(inL.data() + at, inR.data() + at, outL.data() + at, outR.data() + at, n);
    }
    at += n;
  }
  EXPECT_EQ(count.stop(), 0);
  countingC = false;
  EXPECT_EQ(cAllocations.load(), 0);

  // The counters do count.
  testsupport::AllocationCount probeCount;
  countingC = true;
  auto* probe = new std::vector<int>(10);
  countingC = false;
  delete probe;
  EXPECT_GT(probeCount.stop(), 0);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_GT(cAllocations.load(), 0);
#endif
}

}  // namespace
