#include "dsp/FactoryPrograms.h"

#include "dsp/QuorvellaParameters.h"

namespace {

using V = FactoryProgram::Value;

const V kDownOneOctave[] = {{1, 0}, {2, 1}, {5, -12}, {11, 2}, {19, 5.04f}, {20, 0.755f},
                            {25, 3151}, {26, 0.214f}, {27, 1}, {28, 0.8f}, {32, 10.5f}};
const V kDownTwoOctaves[] = {{1, 0}, {2, 1}, {5, -24}, {11, 4}, {19, 5.04f}, {20, 1},
                             {21, 0}, {22, 0.89f}, {23, 26.5f}, {24, 41}, {25, 3151},
                             {26, 0.214f}, {27, 1}, {28, 0.8f}, {38, 6}};
const V kSyncToTheMax[] = {{13, 45.955f}, {14, 55.945f}, {19, 48}, {25, 4585}, {27, 0.98f}};
const V kAutoWah[] = {{13, 50.95f}, {14, 65.935f}, {25, 50}, {26, 0.867f}, {27, 1}, {28, 16}};
const V kPwmTastic[] = {{1, 0}, {2, 1}, {5, -12}, {13, 60.94f}, {14, 40.96f}, {21, 0},
                        {22, 1}, {23, 8}, {24, 91}, {25, 6258}, {26, 0.154f}, {27, 0.94f},
                        {35, 0.18f}, {37, 1.098f}, {38, 14.5f}};
const V kRingMod[] = {{1, 0}, {3, 1}, {18, 51.435f}, {19, 1.2f}, {20, 1}, {21, 0}};
const V kAutoBassline[] = {{1, 0}, {2, 1}, {14, 40.96f}, {18, 30}, {20, 1}, {21, 0},
                           {22, 1}, {23, 34.5f}, {24, 6}, {25, 462.25f}, {26, 0.56f},
                           {27, 0.7f}, {28, 6.88f}};
const V kTryMeOnDrums[] = {{2, 1}, {5, -24}, {11, 2}, {14, 60.94f}, {17, 0.515f}, {18, 30},
                           {19, 48}, {21, 0}, {22, 1}, {24, 20}, {25, 462.25f},
                           {26, 0.244f}, {27, 0.98f}, {28, 2.72f}};
const V kSweepThePitch[] = {{1, 0}, {4, 1}, {5, -12}, {18, 84.455f}, {19, 5.76f}, {20, 1},
                            {21, 0.57f}, {25, 2912}, {26, 0.461f}, {27, 2}, {28, -3.2f},
                            {31, 0.54f}};
const V kMadness[] = {{1, 0}, {2, 1}, {4, 1}, {5, -36}, {19, 48}, {25, 1902.25f},
                      {26, 0.862f}, {27, 3}, {28, -16}, {29, 3}, {30, 7.394f}, {31, 16.02f},
                      {34, 5.686f}, {35, 0.33f}};

template <int32_t N>
constexpr FactoryProgram program(const char* name, const V (&values)[N]) {
  return {name, values, N};
}

}  // namespace

const FactoryProgram kFactoryPrograms[kNumFactoryPrograms] = {
    {"Defaults", nullptr, 0},
    program("Down One Octave", kDownOneOctave),
    program("Down Two Octaves", kDownTwoOctaves),
    program("Sync To The Max", kSyncToTheMax),
    program("Auto-Wah", kAutoWah),
    program("PWM-tastic", kPwmTastic),
    program("Ring Mod", kRingMod),
    program("Auto Bassline", kAutoBassline),
    program("Try Me On Drums", kTryMeOnDrums),
    program("Sweep The Pitch", kSweepThePitch),
    program("Madness", kMadness),
};

void factoryProgramValues(const FactoryProgram& program, float* values) {
  for (int32_t i = 0; i < kNumQuorvellaParameters; ++i)
    values[i] = kQuorvellaParameters[i].defaultValue;
  for (int32_t i = 0; i < program.count; ++i) values[program.values[i].index] = program.values[i].value;
}
