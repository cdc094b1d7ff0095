// The per-instance OSC server: a UDP port on which clients read, set, list and describe
// the effect's parameters, register for change notifications, call script functions and
// inject notes; and the notification thread that tells registered clients of changes
// made through the host's setParameter.
//
// Threads and events:
// - receive thread (TaskMain): idle until receive-restart, then listens on the requested
//   port and answers requests (ProcessPacket/ProcessMessage) until its loop is broken;
//   back to idle; receive-quit ends it.
// - notification thread (NotifyTaskMain): drains the SetParamQueue on notify-data and
//   sends one message per change and registration; notify-quit ends it.
// - host threads: construction, startTask (from the effect's initialise), retarget (from
//   program changes and sets of parameter 39), parameterChanged (from the host-facing
//   setter), stopTask (from the effect's stop operation and destructor).
// The four events are auto-reset events. retarget and parameterChanged never wait: they
// store, signal and, for a break, try the socket lock once (a break that cannot take it is
// seen by the loop within kBreakPollMs). stopTask waits up to kStopTimeoutMs per thread;
// a thread that has not ended by then is cancelled at its next host-name lookup outside
// the script state and waited for, so no thread ever outlives the object.
//
// The published socket (the receive loop of the bound port) is guarded by socketLock: the
// receive thread publishes and withdraws it under the lock, and a break acts on it only
// under the lock, so a break never reaches a destroyed socket.
#pragma once

#include <atomic>
#include <cstdint>

#include <oscpack/osc/OscPacketListener.h>

#include "osc/SetParamQueue.h"
#include "osc/UpdateRegistrations.h"
#include "platform/Event.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"

class HvcAuBase;
class SocketReceiveMultiplexer;

namespace HC {

class LuaMIDIHelper;

class OSCHelper : public osc::OscPacketListener {
public:
  using SetParamQueue = HC::SetParamQueue;

  static constexpr int kStopTimeoutMs = 5000;
  static constexpr int kBreakPollMs = 25;

  // midi may be null: then /exec, /call, /startNote and /stopNote are refused. The effect's
  // parameter count (fixed by its table) sizes the update registrations.
  OSCHelper(LuaMIDIHelper* midi, HvcAuBase* effect);
  ~OSCHelper() override;  // stops the threads first
  OSCHelper(const OSCHelper&) = delete;
  OSCHelper& operator=(const OSCHelper&) = delete;

  // Starts both threads; the server stays idle until a retarget with a nonzero offset.
  void startTask();
  // Offset 0: stop listening. Otherwise listen on basePort + offset (the "OSC Base Port"
  // preference), rebinding even when that is the port in use. A sum outside 1..65535
  // cannot be bound and leaves the server idle ("unable to bind udp socket").
  void retarget(int32_t offset, int32_t basePort);
  // Stops both threads and drops changes that wait in the queue. Registrations stay.
  void stopTask();

  // The host-facing setter's part, after it stored the value: when a client registered for
  // the index, queues (index, value) and wakes the notification thread. Constant time,
  // lock-free and allocation-free, safe on the host's audio thread; a full queue is
  // reported on standard error by the notification thread.
  void parameterChanged(int32_t index, float value);

  // Port the server listens on, 0 when it does not listen.
  int32_t listeningPort() const { return boundPort.load(std::memory_order_acquire); }
  bool running() const { return receiveThread.joinable(); }

  // --- oscpack listener (receive thread) -------------------------------------------------
  void ProcessPacket(const char* data, int size, const IpEndpointName& remote) override;

  // Registrations and queue, for the address space and the effect.
  UpdateRegistrations& registrations() { return updates; }
  SetParamQueue& queue() { return changes; }
  HvcAuBase* effect() const { return owner; }
  LuaMIDIHelper* midiHelper() const { return midi; }

protected:
  void ProcessBundle(const osc::ReceivedBundle& bundle, const IpEndpointName& remote) override;
  void ProcessMessage(const osc::ReceivedMessage& message, const IpEndpointName& remote) override;
  // Called for an address that matches none of the table; does nothing.
  virtual void unknownAddress(const char* address, const osc::ReceivedMessage& message,
                              const IpEndpointName& remote);

public:
  // Every parameter counts as used.
  virtual bool isParameterUsed(int32_t index);

private:
  static void receiveThreadMain(void* self);
  static void notifyThreadMain(void* self);
  void TaskMain();
  void NotifyTaskMain();
  void listen();
  void sendChange(const SetParamQueue::Slot& change);
  void breakReceiveLoop(bool wait);
  static void drain(platform::Event& event);

  class BreakTimer;

  HvcAuBase* owner;
  LuaMIDIHelper* midi;

  platform::Thread receiveThread;
  platform::Thread notifyThread;
  platform::Event receiveQuit;
  platform::Event receiveRestart;
  platform::Event notifyQuit;
  platform::Event notifyData;

  std::atomic<int32_t> requestedPort{0};
  std::atomic<int32_t> boundPort{0};
  // Set by retarget and stopTask: the loop on the bound port is to end.
  std::atomic<bool> stopListening{false};
  platform::Mutex socketLock;
  SocketReceiveMultiplexer* listening = nullptr;  // guarded by socketLock

  UpdateRegistrations updates;
  SetParamQueue changes;
  int bundleDepth = 0;  // receive thread only
};

}  // namespace HC
