// The eleven programs the effect ships with, as differences from the parameter defaults.
#pragma once

#include <cstdint>

struct FactoryProgram {
  struct Value {
    int32_t index;
    float value;
  };
  const char* name;
  const Value* values;  // parameters that differ from their defaults
  int32_t count;
};

constexpr int32_t kNumFactoryPrograms = 11;
extern const FactoryProgram kFactoryPrograms[kNumFactoryPrograms];

// The 40 plain values of a factory program: defaults, then its differences.
void factoryProgramValues(const FactoryProgram& program, float* values);
