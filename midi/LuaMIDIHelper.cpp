#include "midi/LuaMIDIHelper.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "framework/HvcAuBase.h"
#include "framework/UserFolders.h"
#include "lua/LuaIncludes.h"
#include "lua/ScriptGlobals.h"
#include "lua/ScriptSandbox.h"
#include "midi/MIDIScriptFunctions.h"
#include "platform/Output.h"
#include "platform/PlatformInfo.h"
#include "platform/Resources.h"

namespace HC {

const char LuaMIDIHelper::kRefcon[] = "HC::LuaMIDIHelper::kRefcon";
const char LuaMIDIHelper::kParamLookup[] = "HC::LuaMIDIHelper::kParamLookup";

namespace {

constexpr int32_t kBuiltInScriptId = 136;
constexpr char kBuiltInScriptName[] = "midi.lua";
constexpr size_t kOverridePrefixLength = 8;  // a user file whose name starts "midi.lua"

// A chunk to load and run: a file, or the built-in script when path is null.
struct Chunk {
  const char* path;
  const char* data;
  size_t size;
};

// Loads and calls the chunk; any failure is raised to the caller's protected call.
int runChunk(lua_State* state) {
  const auto* chunk = static_cast<const Chunk*>(lua_touserdata(state, 1));
  int status = chunk->path ? luaL_loadfile(state, chunk->path)
                           : luaL_loadbuffer(state, chunk->data, chunk->size, kBuiltInScriptName);
  if (status != 0) return lua_error(state);
  lua_call(state, 0, 0);
  return 0;
}

// "@@@ <what>: <message>" on the console log.
void report(const char* what, const char* message) {
  std::string line = "@@@ ";
  line += what;
  line += ": ";
  line += message ? message : "(error object is not a string)";
  line += '\n';
  platform::consoleOutput(line.data(), line.size());
}

// The text after the last path separator; a backslash is one on Windows only.
std::string fileName(const std::string& path) {
  size_t slash = path.find_last_of(platform::kIsWindows ? "/\\" : "/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

LuaMIDIHelper::LuaMIDIHelper(HvcAuBase* effect) : effect(effect) {}

LuaMIDIHelper::~LuaMIDIHelper() {
  scriptLock.lock();
  if (state) {
    // Closing runs the scripts' finalizers: they get one budget between them; once it is
    // spent each remaining one fails at its first instruction.
    limits.begin(state, kCloseBudget, ScriptLimits::Deadline::after(kCloseTime));
    lua_close(state);
    limits.end();
    state = nullptr;
  }
  parameterLookup.reset();
  tables.clear();
  scriptLock.unlock();
}

LuaMIDIHelper* LuaMIDIHelper::fromState(lua_State* state) {
  lua_pushlightuserdata(state, const_cast<char*>(kRefcon));
  lua_rawget(state, LUA_REGISTRYINDEX);
  void* helper = lua_islightuserdata(state, -1) ? lua_touserdata(state, -1) : nullptr;
  lua_pop(state, 1);
  return static_cast<LuaMIDIHelper*>(helper);
}

void LuaMIDIHelper::supplySendOSC(ScriptFunction function, void* context) {
  sendOSCFunction = function;
  sendOSCContext = context;
  if (!state || !function) return;
  auto setGlobal = [](lua_State* L) -> int {
    auto* self = static_cast<LuaMIDIHelper*>(lua_touserdata(L, 1));
    lua_pushlightuserdata(L, self->sendOSCContext);
    lua_pushcclosure(L, self->sendOSCFunction, 1);
    lua_setfield(L, LUA_GLOBALSINDEX, "sendOSC");
    return 0;
  };
  lua_cpcall(state, setGlobal, this);
}

bool LuaMIDIHelper::isParameterUsed(int32_t) { return true; }

// --- The state ----------------------------------------------------------------------------

lua_State* LuaMIDIHelper::getState() {
  if (state || stateFailed) return state;
  stateFailed = true;  // one attempt: scripts never run twice in one instance
  try {
    parameterLookup.reset(new ParameterLookup());
    for (int32_t i = 0; i < effect->getNumParameters(); ++i)
      parameterLookup->emplace(effect->descriptor(i).name, i);
  } catch (const std::bad_alloc&) {
    parameterLookup.reset();
    return nullptr;
  }
  state = limits.newState();
  if (!state) return nullptr;
  // Setting up allocates; inside a protected call a lack of memory is an error result
  // instead of the end of the process.
  if (!setUpState()) {
    lua_close(state);
    state = nullptr;
    return nullptr;
  }
  stateFailed = false;
  runScripts();
  return state;
}

bool LuaMIDIHelper::setUpState() {
  auto setUp = [](lua_State* L) -> int {
    auto* self = static_cast<LuaMIDIHelper*>(lua_touserdata(L, 1));
    ScriptSandbox::open(L, self->limits);
    MIDIScriptFunctions::registerAll(L, self, self->sendOSCFunction, self->sendOSCContext);
    lua_pushlightuserdata(L, const_cast<char*>(kRefcon));
    lua_pushlightuserdata(L, self);
    lua_rawset(L, LUA_REGISTRYINDEX);
    lua_pushlightuserdata(L, const_cast<char*>(kParamLookup));
    lua_pushlightuserdata(L, self->parameterLookup.get());
    lua_rawset(L, LUA_REGISTRYINDEX);
    ScriptGlobals::install(L);
    return 0;
  };
  return lua_cpcall(state, setUp, this) == 0;
}

void LuaMIDIHelper::runScripts() {
  std::vector<std::string> files = UserFolders::scriptFiles();
  bool overridden = false;
  for (const std::string& path : files)
    if (fileName(path).compare(0, kOverridePrefixLength, kBuiltInScriptName) == 0) overridden = true;

  auto run = [this](const Chunk& chunk, const char* what) {
    limits.begin(state, kLoadBudget, ScriptLimits::Deadline::after(kLoadTime));
    int status = lua_cpcall(state, runChunk, const_cast<Chunk*>(&chunk));
    limits.end();
    if (status != 0) {
      report(what, lua_tostring(state, -1));
      lua_pop(state, 1);
    }
  };

  if (!overridden) {
    platform::Resource script;
    if (platform::findResource(platform::kResourceTypeScript, kBuiltInScriptId, script)) {
      run(Chunk{nullptr, reinterpret_cast<const char*>(script.data), script.size},
          "failed to run buffer");
    } else {
      report("failed to run buffer", "the built-in MIDI script is missing");
    }
  }
  for (const std::string& path : files) run(Chunk{path.c_str(), nullptr, 0}, "failed to run file");
}

int LuaMIDIHelper::protectedCall(int nargs, int nresults) {
  if (!state) return LUA_ERRRUN;
  limits.begin(state, std::min(kHandlerBudget, blockUnits), blockDeadline);
  int status = lua_pcall(state, nargs, nresults, 0);
  blockUnits -= limits.end();
  // Only a stopped run can have met the deadline (the clock is read by the budget checks).
  if (limits.stopped() && blockDeadline.passed()) blockUnits = 0;
  return status;
}

void LuaMIDIHelper::startBlock() {
  blockUnits = kBlockBudget;
  blockDeadline = ScriptLimits::Deadline::after(kBlockTime);
}

bool LuaMIDIHelper::blockSpent() const {
  return blockUnits <= 0;
}

// --- The script lock ----------------------------------------------------------------------

void LuaMIDIHelper::enter() {
  scriptLock.lock();
  startBlock();
  dispatchQueued();
  startBlock();  // the session's own calls
}

void LuaMIDIHelper::leave() {
  startBlock();
  dispatchQueued();
  scriptLock.unlock();
  // The event thread may have queued messages after the last look and failed to take the
  // lock before it was released; then they are dispatched here rather than wait for the
  // next block.
  while (queue.pendingAfterRelease()) {
    scriptLock.lock();
    startBlock();
    dispatchQueued();
    scriptLock.unlock();
  }
}

int32_t LuaMIDIHelper::dispatchEvents(const MIDIEventList& events) {
  const uint32_t count = events.events ? events.count : 0;
  if (scriptLock.tryLock()) {
    startBlock();
    dispatchQueued();  // earlier blocks first
    for (uint32_t i = 0; i < count; ++i) {
      const MIDIEvent& event = events.events[i];
      dispatchMessage(event.status, event.data1, event.data2);
    }
    // A handler that made the host deliver events again, on this thread, queued them.
    dispatchQueued();
    scriptLock.unlock();
    return 1;
  }
  // Busy: keep the block's channel messages for the lock's next holder.
  for (uint32_t i = 0; i < count; ++i) {
    const MIDIEvent& event = events.events[i];
    if (event.status < 0x80 || event.status > 0xEF) continue;
    queue.push(event.status, event.data1, event.data2);
  }
  // The holder may have released the lock meanwhile without seeing these messages (see
  // MIDIEventQueue::pendingAfterRelease); then the lock is free now.
  if (scriptLock.tryLock()) {
    startBlock();
    dispatchQueued();
    scriptLock.unlock();
  }
  return 1;
}

void LuaMIDIHelper::dispatchQueued() {
  uint8_t status, data1, data2;
  while (queue.pop(status, data1, data2)) dispatchMessage(status, data1, data2);
}

// --- Decoding -----------------------------------------------------------------------------

void LuaMIDIHelper::dispatchMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  if (status < 0x80 || status > 0xEF) return;  // system messages and stray data bytes
  if (state && blockSpent()) {
    budgetDrops.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  int32_t channel = status & 0x0F;
  int32_t d1 = data1 & 0x7F;
  int32_t d2 = data2 & 0x7F;
  switch (status & 0xF0) {
    case 0x80: handleNoteOff(channel, d1, d2); break;
    case 0x90:
      if (d2 == 0)
        handleNoteOff(channel, d1, 0);
      else
        handleNoteOn(channel, d1, d2);
      break;
    case 0xA0: handlePolyPressure(channel, d1, d2); break;
    case 0xB0: handleControlChange(channel, d1, d2); break;
    case 0xC0: handleProgramChange(channel, d1); break;
    case 0xD0: handleChannelPressure(channel, d1); break;
    case 0xE0: handlePitchWheel(channel, d1, d2); break;
  }
}

void LuaMIDIHelper::handleNoteOn(int32_t channel, int32_t note, int32_t velocity) {
  note &= 0xFF;
  double args[] = {channel + 1.0, static_cast<double>(note), static_cast<double>(velocity & 0xFF)};
  callHandlers(MIDIHandlerTables::kNoteOn, args, 3);
  callKeyedHandlers(MIDIHandlerTables::kNoteOn, note, args, 3);
}

void LuaMIDIHelper::handleNoteOff(int32_t channel, int32_t note, int32_t velocity) {
  note &= 0xFF;
  double args[] = {channel + 1.0, static_cast<double>(note), static_cast<double>(velocity & 0xFF)};
  callHandlers(MIDIHandlerTables::kNoteOff, args, 3);
  callKeyedHandlers(MIDIHandlerTables::kNoteOff, note, args, 3);
}

void LuaMIDIHelper::handleControlChange(int32_t channel, int32_t controller, int32_t value) {
  // NRPN assembly: 99 and 98 select the number, 6 and 38 set the data and send it.
  switch (controller) {
    case 99: nrpnNumberHigh = value; break;
    case 98: nrpnNumberLow = value; break;
    case 6:
    case 38: {
      (controller == 6 ? nrpnDataHigh : nrpnDataLow) = value;
      int32_t number = nrpnNumberHigh * 128 + nrpnNumberLow;
      double args[] = {channel + 1.0, static_cast<double>(number),
                       nrpnDataHigh * 128.0 + nrpnDataLow};
      callHandlers(MIDIHandlerTables::kNRPN, args, 3);
      callKeyedHandlers(MIDIHandlerTables::kNRPN, number, args, 3);
      break;
    }
    default: break;
  }
  double args[] = {channel + 1.0, static_cast<double>(controller), static_cast<double>(value)};
  callHandlers(MIDIHandlerTables::kControlChange, args, 3);
  callKeyedHandlers(MIDIHandlerTables::kControlChange, controller, args, 3);
}

void LuaMIDIHelper::handlePitchWheel(int32_t channel, int32_t low7, int32_t high7) {
  double args[] = {channel + 1.0, low7 + 128.0 * high7};
  callHandlers(MIDIHandlerTables::kPitchWheel, args, 2);
}

void LuaMIDIHelper::handleChannelPressure(int32_t channel, int32_t pressure) {
  double args[] = {channel + 1.0, static_cast<double>(pressure)};
  callHandlers(MIDIHandlerTables::kChannelPressure, args, 2);
}

void LuaMIDIHelper::handleProgramChange(int32_t channel, int32_t program) {
  double args[] = {channel + 1.0, static_cast<double>(program)};
  callHandlers(MIDIHandlerTables::kProgramChange, args, 2);
  callKeyedHandlers(MIDIHandlerTables::kProgramChange, program, args, 2);
}

void LuaMIDIHelper::handlePolyPressure(int32_t channel, int32_t note, int32_t pressure) {
  double args[] = {channel + 1.0, static_cast<double>(note), static_cast<double>(pressure)};
  callHandlers(MIDIHandlerTables::kPolyPressure, args, 3);
  callKeyedHandlers(MIDIHandlerTables::kPolyPressure, note, args, 3);
}

// --- Calling handlers ---------------------------------------------------------------------

void LuaMIDIHelper::callHandlers(MIDIHandlerTables::Kind kind, const double* args, int count) {
  for (size_t i = 0; state && i < tables.allCount(kind) && !blockSpent(); ++i)
    callHandler(tables.allAt(kind, i), args, count);
}

void LuaMIDIHelper::callKeyedHandlers(MIDIHandlerTables::Kind kind, int32_t key, const double* args,
                                      int count) {
  const std::vector<int>* list = tables.keyed(kind, key);
  for (size_t i = 0; state && list && i < list->size() && !blockSpent(); ++i)
    callHandler((*list)[i], args, count);
}

void LuaMIDIHelper::callHandler(int reference, const double* args, int count) {
  // Pushing a registry entry and numbers needs no memory: the state always has room for
  // a few values at its base.
  int top = lua_gettop(state);
  lua_rawgeti(state, LUA_REGISTRYINDEX, reference);
  for (int i = 0; i < count; ++i) lua_pushnumber(state, args[i]);
  protectedCall(count, 0);  // a failing handler is dropped: the next one still runs
  lua_settop(state, top);
}

}  // namespace HC
