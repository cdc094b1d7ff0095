#include "framework/ParameterListenerTable.h"

#include <cstring>

#include "framework/HvcAuBase.h"

ParameterListenerTable::ParameterListenerTable(HvcAuBase* effect) : effect(effect) {
  size_t count = static_cast<size_t>(effect->getNumParameters());
  listeners.resize(count);
  state.reset(new Listened[count]);
}

ParameterListenerTable::ParameterListenerTable(HvcAuBase* effect, DeliveryProc deliver,
                                               void* userData)
    : ParameterListenerTable(effect) {
  attach(deliver, userData);
}

void ParameterListenerTable::attach(DeliveryProc deliver, void* data) {
  deliverProc = deliver;
  userData = data;
}

void ParameterListenerTable::detach() {
  for (size_t i = 0; i < listeners.size(); ++i) {
    state[i].any.store(false, std::memory_order_release);
    listeners[i].clear();
  }
  // What waits now (or is queued by a writer that saw a control a moment ago) has nobody
  // to go to: it is taken without delivery, now or at the next opening's first deliver().
  ParameterChangeRing::Change dropped;
  while (pending.pop(dropped)) {
  }
  for (size_t i = 0; i < listeners.size(); ++i) state[i].missed.store(false, std::memory_order_relaxed);
  deliverProc = nullptr;
  userData = nullptr;
}

void ParameterListenerTable::registerControl(int32_t index, Control control) {
  if (index < 0 || static_cast<size_t>(index) >= listeners.size()) return;
  if (effect->descriptor(index).isEmptySlot()) return;
  listeners[static_cast<size_t>(index)].push_back(control);
  state[index].any.store(true, std::memory_order_release);
}

namespace {

uint64_t pack(uint32_t stamp, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return uint64_t{stamp} << 32 | bits;
}

float valueOf(uint64_t packed) {
  auto bits = static_cast<uint32_t>(packed);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Stamps wrap round; a difference tells which is newer.
bool newer(uint32_t stamp, uint32_t than) { return static_cast<int32_t>(stamp - than) > 0; }

}  // namespace

void ParameterListenerTable::parameterChanged(int32_t index, float value) {
  if (index < 0 || static_cast<size_t>(index) >= listeners.size()) return;
  Listened& entry = state[index];
  if (!entry.any.load(std::memory_order_acquire)) return;
  uint32_t stamp = entry.stamps.fetch_add(1, std::memory_order_relaxed) + 1;
  // Keep the newest change; a writer that drew a later stamp may have stored first.
  uint64_t seen = entry.newest.load(std::memory_order_relaxed);
  while (newer(stamp, static_cast<uint32_t>(seen >> 32)) &&
         !entry.newest.compare_exchange_weak(seen, pack(stamp, value), std::memory_order_release,
                                             std::memory_order_relaxed)) {
  }
  if (!pending.push(index, value, stamp)) entry.missed.store(true, std::memory_order_release);
}

void ParameterListenerTable::deliver() {
  ParameterChangeRing::Change change;
  while (pending.pop(change)) deliverIfNewer(change.index, change.value, change.stamp);
  for (size_t i = 0; i < listeners.size(); ++i) {
    if (!state[i].missed.exchange(false, std::memory_order_acquire)) continue;
    uint64_t newest = state[i].newest.load(std::memory_order_acquire);
    deliverIfNewer(static_cast<int32_t>(i), valueOf(newest), static_cast<uint32_t>(newest >> 32));
  }
}

void ParameterListenerTable::deliverIfNewer(int32_t index, float value, uint32_t stamp) {
  Listened& entry = state[index];
  if (!newer(stamp, entry.delivered)) return;
  entry.delivered = stamp;
  deliverTo(index, value);
}

void ParameterListenerTable::deliverTo(int32_t index, float value) {
  if (!deliverProc) return;
  for (Control control : listeners[static_cast<size_t>(index)]) deliverProc(userData, control, index, value);
}

void ParameterListenerTable::refreshAll() {
  for (size_t i = 0; i < listeners.size(); ++i) {
    if (listeners[i].empty()) continue;
    deliverTo(static_cast<int32_t>(i), effect->getPlainValue(static_cast<int32_t>(i)));
  }
}

size_t ParameterListenerTable::pendingCount() const {
  size_t count = pending.countWaiting();
  for (size_t i = 0; i < listeners.size(); ++i)
    if (state[i].missed.load(std::memory_order_relaxed)) ++count;
  return count;
}
