// A host for tests of the product without a face: records every call of the HostInterface
// in order. Any thread may call it (the record is guarded by a lock; a test host need not
// keep the audio thread's rules).
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "framework/HostInterface.h"

class RecordingHost : public HostInterface {
public:
  enum Kind : int32_t { kBeginEdit, kEndEdit, kAutomate, kUpdateDisplay, kLatencyChanged };
  struct Call {
    Kind kind;
    int32_t index;  // the parameter (edits and automation); 0 otherwise
    float value;    // automate: the normalised value; latencyChanged: the samples
  };

  void beginEdit(int32_t index) override { add({kBeginEdit, index, 0.0f}); }
  void endEdit(int32_t index) override { add({kEndEdit, index, 0.0f}); }
  void automate(int32_t index, float, float normalisedValue) override {
    add({kAutomate, index, normalisedValue});
  }
  void updateDisplay() override { add({kUpdateDisplay, 0, 0.0f}); }
  void latencyChanged(int32_t samples) override {
    add({kLatencyChanged, 0, static_cast<float>(samples)});
  }

  std::vector<Call> calls() const;
  std::vector<Kind> kinds() const;
  int count(Kind kind) const;
  void clear();

private:
  void add(const Call& call);

  mutable std::mutex lock;
  std::vector<Call> record;
};
