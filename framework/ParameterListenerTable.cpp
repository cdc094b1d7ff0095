#include "framework/ParameterListenerTable.h"

#include "framework/HvcAuBase.h"

ParameterListenerTable::ParameterListenerTable(HvcAuBase* effect, DeliveryProc deliver,
                                               void* userData)
    : effect(effect), deliverProc(deliver), userData(userData) {
  size_t count = static_cast<size_t>(effect->getNumParameters());
  listeners.resize(count);
  listened.assign(count, 0);
  lastPosition.assign(count, 0);
  pending.reserve(kQueueCapacity);
  delivering.reserve(kQueueCapacity);
}

void ParameterListenerTable::registerControl(int32_t index, Control control) {
  if (index < 0 || static_cast<size_t>(index) >= listeners.size()) return;
  if (effect->descriptor(index).isEmptySlot()) return;
  listeners[static_cast<size_t>(index)].push_back(control);
  std::lock_guard<std::mutex> guard(pendingLock);
  listened[static_cast<size_t>(index)] = 1;
}

void ParameterListenerTable::parameterChanged(int32_t index, float value) {
  if (index < 0 || static_cast<size_t>(index) >= listeners.size()) return;
  std::lock_guard<std::mutex> guard(pendingLock);
  if (!listened[static_cast<size_t>(index)]) return;
  if (pending.size() == kQueueCapacity) compactPending();
  pending.push_back({index, value});
}

void ParameterListenerTable::compactPending() {
  // A full queue means the editor has not idled for a long time: keep only the newest
  // change of each parameter, in the order of those newest changes, without allocating.
  for (size_t i = 0; i < pending.size(); ++i)
    lastPosition[static_cast<size_t>(pending[i].index)] = i;
  size_t kept = 0;
  for (size_t i = 0; i < pending.size(); ++i) {
    if (lastPosition[static_cast<size_t>(pending[i].index)] == i) pending[kept++] = pending[i];
  }
  pending.resize(kept);
}

void ParameterListenerTable::deliver() {
  {
    std::lock_guard<std::mutex> guard(pendingLock);
    delivering.swap(pending);
  }
  for (const Change& change : delivering) {
    for (Control control : listeners[static_cast<size_t>(change.index)])
      deliverProc(userData, control, change.index, change.value);
  }
  delivering.clear();
}

void ParameterListenerTable::refreshAll() {
  for (size_t i = 0; i < listeners.size(); ++i) {
    if (listeners[i].empty()) continue;
    float value = effect->getPlainValue(static_cast<int32_t>(i));
    for (Control control : listeners[i]) deliverProc(userData, control, static_cast<int32_t>(i), value);
  }
}

size_t ParameterListenerTable::pendingCount() {
  std::lock_guard<std::mutex> guard(pendingLock);
  return pending.size();
}
