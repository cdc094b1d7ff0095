#include "bench/BenchSignal.h"

#include <cmath>

#include "dsp/BlockPreparation.h"
#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "dsp/WideLaneSteps.h"
#include "effect/HvcQuorvella.h"

std::vector<float> BenchSignal::bassLine() {
  std::vector<float> input(kBlock * kInputBlocks);
  for (size_t i = 0; i < input.size(); ++i) {
    double hz = (i / 4096) % 2 ? 82.41 : 110.0;
    double t = std::fmod(i * hz / kRate, 1.0);
    input[i] = static_cast<float>(0.5 * std::exp(-2.0 * (i % 4096) / 4096.0) * (2.0 * t - 1.0));
  }
  return input;
}

std::string BenchSignal::label(int program) {
  const char* instructions = "SSE2";
#if defined(QUORVELLA_WIDE_LANES)
  if (WideLaneSteps::available())
    instructions =
        WideLaneSteps::best() == WideLaneSteps::Instructions::avx512 ? "AVX-512" : "AVX2";
#endif
  return std::string(kFactoryPrograms[program].name) + ", " + instructions;
}

int BenchSignal::programNamed(const std::string& name) {
  for (int p = 0; p < kNumFactoryPrograms; ++p)
    if (name == kFactoryPrograms[p].name) return p;
  return -1;
}

void BenchSignal::setUp(HvcQuorvella& effect, int program, BlockSettings& settings) {
  effect.setSampleRate(static_cast<float>(kRate));
  effect.setBlockSize(kBlock);
  effect.setProgram(program);
  float values[kNumQuorvellaParameters];
  factoryProgramValues(kFactoryPrograms[program], values);
  settings = BlockSettings{};
  BlockPreparation::prepare(settings, values, kRate, kBlock);
}
