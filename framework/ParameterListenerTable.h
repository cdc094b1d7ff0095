// Tells editor controls about parameter changes. Changes are queued by whoever changes a
// parameter (host threads, the editor) and delivered on the editor's idle call, so controls
// are only ever touched on the user-interface thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

class HvcAuBase;

class ParameterListenerTable {
public:
  using Control = void*;
  // Called once per (control, change): (user data, control, parameter index, plain value).
  using DeliveryProc = void (*)(void* userData, Control control, int32_t index, float value);

  ParameterListenerTable(HvcAuBase* effect, DeliveryProc deliver, void* userData);

  // Appends the control to the parameter's list unless the parameter is an empty slot or
  // the index is outside the table. UI thread.
  void registerControl(int32_t index, Control control);
  // Queues (index, value) when some control listens to the parameter. Any thread; takes a
  // short lock and never allocates once the queue has its reserved capacity.
  void parameterChanged(int32_t index, float value);
  // Delivers the queued changes in order, then empties the queue. UI thread.
  void deliver();
  // Delivers every listened parameter's current value. UI thread.
  void refreshAll();

  size_t pendingCount();

private:
  struct Change {
    int32_t index;
    float value;
  };
  static constexpr size_t kQueueCapacity = 1024;

  void compactPending();

  HvcAuBase* effect;
  DeliveryProc deliverProc;
  void* userData;
  std::vector<std::vector<Control>> listeners;
  // Each slot says whether any control listens, readable without the UI thread's lists.
  std::vector<char> listened;
  std::vector<size_t> lastPosition;  // scratch for compactPending
  std::mutex pendingLock;
  std::vector<Change> pending;
  std::vector<Change> delivering;
};
