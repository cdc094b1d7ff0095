// What a control knows of its parameter: a copy of the descriptor and the effect that holds
// the value. The manager builds one per parameter; controls copy theirs.
//
// Threads: read-only after construction.
#pragma once

#include <cstdint>

class HvcAuBase;

namespace HC {

struct ControlParameter {
  int32_t index = -1;
  char name[52] = {};  // at most 51 characters
  int32_t unit = 0;
  float minimum = 0.0f;
  float maximum = 0.0f;
  float defaultValue = 0.0f;
  HvcAuBase* effect = nullptr;

  // The record of parameter index of effect; an index the effect does not have gives an
  // unbound record (effect null) that controls treat as inert.
  static ControlParameter of(HvcAuBase* effect, int32_t index);
  bool isBound() const { return effect != nullptr; }
};

}  // namespace HC
