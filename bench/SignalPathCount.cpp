// A fixed amount of work for instruction counting under callgrind (which counts the same on
// any machine, whatever its load): blocks of the processing benchmark through
// processReplacing (runProduct) and through the recursions alone (runLimit), one program.
//   valgrind --tool=callgrind quorvella-signal-path-count [program [blocks]]
//   callgrind_annotate --inclusive=yes callgrind.out.<pid> | grep -E 'runProduct|runLimit'
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchSignal.h"
#include "bench/RecursionLimit.h"
#include "dsp/DenormalGuard.h"
#include "dsp/FactoryPrograms.h"
#include "effect/HvcQuorvella.h"

namespace {

constexpr int kBlock = BenchSignal::kBlock;
constexpr int kInputBlocks = BenchSignal::kInputBlocks;

__attribute__((noinline)) void runProduct(HvcQuorvella& effect, const std::vector<float>& input,
                                          float* const out[2], int blocks) {
  for (int b = 0; b < blocks; ++b) {
    const float* block = input.data() + b % kInputBlocks * kBlock;
    float* in[2] = {const_cast<float*>(block), const_cast<float*>(block)};
    effect.processReplacing(in, const_cast<float**>(out), kBlock);
  }
}

__attribute__((noinline)) void runLimit(RecursionLimit& limit, const BlockSettings& settings,
                                        const std::vector<float>& input, float* const out[2],
                                        int blocks) {
  DenormalGuard flushSubnormals;
  for (int b = 0; b < blocks; ++b) {
    const float* block = input.data() + b % kInputBlocks * kBlock;
    const float* in[2] = {block, block};
    limit.process(settings, in, out, kBlock);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = argc > 1 ? argv[1] : "Defaults";
  const int blocks = argc > 2 ? std::atoi(argv[2]) : 256;
  const int program = BenchSignal::programNamed(name);
  if (program < 0 || blocks <= 0) {
    std::fprintf(stderr, "usage: quorvella-signal-path-count [program name [blocks]]\n");
    return 2;
  }
  HvcQuorvella effect(nullptr);
  BlockSettings settings;
  BenchSignal::setUp(effect, program, settings);
  RecursionLimit limit;

  const std::vector<float> input = BenchSignal::bassLine();
  std::vector<float> left(kBlock), right(kBlock);
  float* const out[2] = {left.data(), right.data()};
  runProduct(effect, input, out, blocks);
  runLimit(limit, settings, input, out, blocks);
  std::printf("%s: %d blocks of %d frames, last sample %g\n", name.c_str(), blocks, kBlock,
              static_cast<double>(left[kBlock - 1]));
  return 0;
}
