#include "faces/vst2/Vst2Host.h"

#include "faces/vst2/Vst2Effect.h"

void Vst2Host::beginEdit(int32_t index) { effect.beginEdit(index); }

void Vst2Host::endEdit(int32_t index) { effect.endEdit(index); }

void Vst2Host::automate(int32_t index, float, float normalisedValue) {
  effect.automate(index, normalisedValue);
}

void Vst2Host::updateDisplay() { effect.updateDisplay(); }

void Vst2Host::latencyChanged(int32_t samples) { effect.latencyChanged(samples); }
