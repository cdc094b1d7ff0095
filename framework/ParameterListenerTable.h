// Tells editor controls about parameter changes. Changes are queued by whoever changes a
// parameter (host threads, the host's audio thread among them, and the editor) and
// delivered on the editor's idle call, so controls are only ever touched on the
// user-interface thread.
//
// Threads: parameterChanged() from any thread, several at once: lock-free, allocation-free
// and wait-free apart from one compare-and-swap race for a ring slot. attach(), detach(),
// registerControl(), deliver(), refreshAll() and pendingCount() on the user-interface
// thread only.
//
// When the editor does not idle for a long time the ring fills up; a change that finds it
// full marks its parameter instead, and deliver() then hands the controls of every marked
// parameter its newest value. Every change carries a per-parameter stamp, and deliver()
// skips a queued change older than the one it last delivered for that parameter (a writer
// may publish its slot late, after newer values went out), so controls always end at the
// newest value, whatever the editor missed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/ParameterChangeRing.h"

class HvcAuBase;

class ParameterListenerTable {
public:
  using Control = void*;
  // Called once per (control, change): (user data, control, parameter index, plain value).
  using DeliveryProc = void (*)(void* userData, Control control, int32_t index, float value);

  // Without a delivery procedure until attach().
  explicit ParameterListenerTable(HvcAuBase* effect);
  ParameterListenerTable(HvcAuBase* effect, DeliveryProc deliver, void* userData);

  // The editor's manager takes the table for one opening of the editor, and gives it back
  // with detach(), which forgets every control and drops what waits. The table itself lives
  // as long as its effect, so host threads that tell it of changes never meet a destroyed
  // table.
  void attach(DeliveryProc deliver, void* userData);
  void detach();

  // Appends the control to the parameter's list unless the parameter is an empty slot or
  // the index is outside the table.
  void registerControl(int32_t index, Control control);
  // Queues (index, value) when some control listens to the parameter.
  void parameterChanged(int32_t index, float value);
  // Delivers the queued changes in order, then the newest values of parameters whose
  // changes found the ring full.
  void deliver();
  // Delivers every listened parameter's current value.
  void refreshAll();

  // Deliveries waiting: queued changes plus parameters marked by a full ring.
  size_t pendingCount() const;

private:
  static constexpr uint32_t kRingSlots = 1024;

  // Per parameter. `any`, `stamps`, `missed` and `newest` from any thread; `delivered` on
  // the user-interface thread only.
  struct Listened {
    std::atomic<bool> any{false};            // some control listens
    std::atomic<uint32_t> stamps{0};         // stamps handed out so far
    std::atomic<uint64_t> newest{0};         // stamp << 32 | value bits of the newest change
    std::atomic<bool> missed{false};         // a change found the ring full
    uint32_t delivered = 0;                  // stamp of the last change delivered
  };

  // Delivers the change unless a newer one of the parameter went out already.
  void deliverIfNewer(int32_t index, float value, uint32_t stamp);
  void deliverTo(int32_t index, float value);

  HvcAuBase* effect;
  DeliveryProc deliverProc = nullptr;
  void* userData = nullptr;
  std::vector<std::vector<Control>> listeners;
  std::unique_ptr<Listened[]> state;
  ParameterChangeRing pending{kRingSlots};
};
