// The effect's MIDI scripting: one Lua 5.1 state per effect instance, the script functions
// it offers (parameter access, MIDI handler requests, sendOSC), the built-in and user MIDI
// scripts, and the dispatch of the host's MIDI events to the handlers the scripts request.
//
// Threads and the script lock. A Lua state admits one thread at a time, and the state is
// entered from the constructing thread, the host's event thread and the OSC receive
// thread. Every entry holds the per-instance script lock:
// - Other threads than the host's event thread enter through LuaMIDISession, which waits
//   for the lock. getState(), protectedCall() and the handle* operations may only be
//   called while a session is open.
// - dispatchEvents(), on the host's event (audio) thread, never waits: it takes the lock
//   only when it is free. When another thread holds it, the block's channel messages are
//   copied into a fixed queue allocated at construction, and whoever holds the lock next
//   (the event thread at its next block, or a session when it opens or closes) dispatches
//   them first, in order. No event is lost unless more than kQueueCapacity messages pile up
//   while one session lasts; the excess is dropped and counted (droppedEvents()).
//
// Runaway scripts: every handler call, script load and script call runs under a work
// budget and a deadline (ScriptLimits), and the state's memory is capped while a script
// runs. A script that exceeds them fails like any other failing script. Beyond that, each
// entry into the state has a budget of its own (kBlockBudget, kBlockTime) shared by all it
// runs: one event block on the event thread, the queued events a session dispatches, a
// session's own calls (an OSC /exec, an injected note with all its handlers). Once it is
// spent, the entry's remaining events are dropped and counted (budgetDroppedEvents()), so
// that many handlers or many events cannot add up to a hang. Closing the state runs the
// scripts' finalizers under one more such budget (kCloseBudget, kCloseTime).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "framework/MIDIEventList.h"
#include "lua/ScriptLimits.h"
#include "midi/MIDIEventQueue.h"
#include "midi/MIDIHandlerTables.h"
#include "platform/Mutex.h"

struct lua_State;
class HvcAuBase;

namespace HC {

class LuaMIDIHelper {
public:
  typedef int (*ScriptFunction)(lua_State*);

  // Registry keys: the addresses of these texts, as light userdata.
  static const char kRefcon[];       // value: this LuaMIDIHelper (light userdata)
  static const char kParamLookup[];  // value: the parameter-name map (light userdata)

  // Work budgets (ScriptLimits units: about one per Lua instruction) and deadlines: one
  // handler call or script call; everything one entry runs; the run of one script file;
  // the finalizers at closing.
  static constexpr long kHandlerBudget = 5000000;
  static constexpr long kBlockBudget = 8000000;
  static constexpr long kLoadBudget = 50000000;
  static constexpr long kCloseBudget = 5000000;
  static constexpr int kDeadlineScale = ScriptLimits::kDeadlineScale;
  static constexpr std::chrono::milliseconds kBlockTime{20 * kDeadlineScale};
  static constexpr std::chrono::milliseconds kLoadTime{1000 * kDeadlineScale};
  static constexpr std::chrono::milliseconds kCloseTime{50 * kDeadlineScale};
  static constexpr size_t kQueueCapacity = MIDIEventQueue::kCapacity;

  // The map behind kParamLookup: parameter name to index, exact and case-sensitive.
  using ParameterLookup = std::map<std::string, int32_t, std::less<>>;

  explicit LuaMIDIHelper(HvcAuBase* effect);
  virtual ~LuaMIDIHelper();
  LuaMIDIHelper(const LuaMIDIHelper&) = delete;
  LuaMIDIHelper& operator=(const LuaMIDIHelper&) = delete;

  // --- Incoming MIDI (script lock held) ---------------------------------------------------
  // channel is the index 0..15; scripts receive channel + 1.
  virtual void handleNoteOn(int32_t channel, int32_t note, int32_t velocity);
  virtual void handleNoteOff(int32_t channel, int32_t note, int32_t velocity);
  virtual void handleControlChange(int32_t channel, int32_t controller, int32_t value);
  virtual void handlePitchWheel(int32_t channel, int32_t low7, int32_t high7);
  // Every parameter counts as used.
  virtual bool isParameterUsed(int32_t index);
  void handleChannelPressure(int32_t channel, int32_t pressure);
  void handleProgramChange(int32_t channel, int32_t program);
  void handlePolyPressure(int32_t channel, int32_t note, int32_t pressure);

  // A block's messages from the host, on the event thread: decodes every channel message
  // and runs the handlers. Never waits for the script lock (see above). Always 1.
  int32_t dispatchEvents(const MIDIEventList& events);

  // --- The script state (script lock held) ------------------------------------------------
  // The state, created and loaded with the built-in and user scripts on the first call.
  // Null when Lua could not create a state (out of memory); there is no second attempt.
  lua_State* getState();
  // lua_pcall of the function and nargs arguments on top of the stack, under the handler
  // budget and what is left of the entry's. Returns lua_pcall's status; on failure the error value is on the stack. The
  // state must exist (getState() not null).
  //
  // Outside a protected call, a Lua error (a lack of memory, a script's metamethod that
  // fails) ends the process. Callers therefore keep to pushing numbers and registry entries
  // there, and do everything else, global lookups and text arguments included, inside a
  // function run with lua_cpcall or this call.
  int protectedCall(int nargs, int nresults);

  // The script function sendOSC, supplied by the OSC server: registered in its place among
  // the script functions as a C closure whose only upvalue is context (light userdata).
  // Call it before the state exists (or with the script lock held to set it afterwards).
  // Until it is supplied the global sendOSC is absent.
  void supplySendOSC(ScriptFunction function, void* context);

  // The helper of a state made by a LuaMIDIHelper (from kRefcon), or null. Scripts cannot
  // reach the registry (DebugLibraryGuard); the script functions do not read it all the
  // same, but carry their helper as an upvalue that no script can change.
  static LuaMIDIHelper* fromState(lua_State* state);
  // The map behind kParamLookup (null until the state is created).
  const ParameterLookup* parameterNames() const { return parameterLookup.get(); }

  HvcAuBase* getEffect() const { return effect; }
  MIDIHandlerTables& handlerTables() { return tables; }
  // Messages dropped because the queue was full while the lock was held elsewhere.
  uint64_t droppedEvents() const { return queue.dropped(); }
  // On the event thread, the queue's only producer: whether messages wait in the queue,
  // that is, whether dispatchEvents() with an empty list would dispatch anything. Exact
  // there, since other threads only take messages out; one atomic pair, no lock, no clock.
  bool hasQueuedEvents() const { return !queue.empty(); }
  // Channel messages dropped because their entry's budget was spent (any thread may read).
  uint64_t budgetDroppedEvents() const { return budgetDrops.load(std::memory_order_relaxed); }

  // The lock protocol behind LuaMIDISession: enter() waits for the lock and dispatches
  // queued events; leave() dispatches what was queued meanwhile and releases it.
  void enter();
  void leave();

private:
  void dispatchMessage(uint8_t status, uint8_t data1, uint8_t data2);
  void dispatchQueued();
  // A fresh budget for the entry that starts now.
  void startBlock();
  bool blockSpent() const;
  // Calls every handler of the list with the arguments, by index against its current
  // length, so that handlers added during the walk are called too.
  void callHandlers(MIDIHandlerTables::Kind kind, const double* args, int count);
  void callKeyedHandlers(MIDIHandlerTables::Kind kind, int32_t key, const double* args, int count);
  void callHandler(int reference, const double* args, int count);
  bool setUpState();
  void runScripts();

  HvcAuBase* effect;
  lua_State* state = nullptr;
  bool stateFailed = false;
  MIDIHandlerTables tables;
  int32_t nrpnNumberHigh = 0;
  int32_t nrpnNumberLow = 0;
  int32_t nrpnDataHigh = 0;
  int32_t nrpnDataLow = 0;

  std::unique_ptr<ParameterLookup> parameterLookup;
  ScriptFunction sendOSCFunction = nullptr;
  void* sendOSCContext = nullptr;
  ScriptLimits limits;
  long blockUnits = 0;
  ScriptLimits::Deadline blockDeadline{};
  std::atomic<uint64_t> budgetDrops{0};
  platform::Mutex scriptLock;
  MIDIEventQueue queue;
};

}  // namespace HC
