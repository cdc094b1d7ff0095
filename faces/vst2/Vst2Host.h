// The VST 2.4 face's host interface: what the product asks of its host, as host callbacks
// of the face's effect record (automate 0, update display 42, begin and end edit 43 and 44,
// and the record's initial delay with I/O changed 13). Without a host callback every call
// does nothing.
//
// Threads: as HostInterface; each call goes straight to the host callback.
#pragma once

#include "framework/HostInterface.h"

class Vst2Effect;

class Vst2Host : public HostInterface {
public:
  explicit Vst2Host(Vst2Effect& effect) : effect(effect) {}

  void beginEdit(int32_t index) override;
  void endEdit(int32_t index) override;
  void automate(int32_t index, float plainValue, float normalisedValue) override;
  void updateDisplay() override;
  void latencyChanged(int32_t samples) override;

private:
  Vst2Effect& effect;
};
