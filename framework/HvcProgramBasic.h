// The concrete program: 40 plain values and a name of at most 31 characters.
// Values are lock-free 32-bit stores (relaxed), so concurrent writers and readers
// (host, scripts, OSC, audio thread) are well defined; the name belongs to host threads.
#pragma once

#include <atomic>

#include "framework/HvcProgram.h"

class HvcProgramBasic : public HvcProgram {
public:
  static constexpr int kNumValues = 40;
  static constexpr int kNameSize = 32;

  HvcProgramBasic();

  // No bounds check: callers bound indices by the parameter count.
  void setValue(int32_t index, float value) override {
    values[index].store(value, std::memory_order_relaxed);
  }
  float getValue(int32_t index) const override {
    return values[index].load(std::memory_order_relaxed);
  }
  // Copies at most 31 characters and always terminates.
  void setName(const char* text) override;
  const char* getName() const override { return name; }

private:
  std::atomic<float> values[kNumValues];
  char name[kNameSize];
};
