#include "osc/OSCScriptCalls.h"

#include <cmath>
#include <cstring>

#include "lua/LuaIncludes.h"
#include "lua/ScriptGlobals.h"
#include "midi/LuaMIDIHelper.h"
#include "midi/LuaMIDISession.h"
#include "midi/MIDIScriptFunctions.h"
#include "osc/OSCSendFunction.h"
#include "platform/Thread.h"

namespace HC {

namespace {
constexpr char kNoLua[] = "no Lua support from OSC";
constexpr char kUnhandledArgument[] = "unhandled argument type to exec";
constexpr char kFailedToExec[] = "failed to exec function";
constexpr char kUnhandledResult[] = "unhandled argument type return from call";
constexpr char kOutOfBuffer[] = "out of buffer memory";
constexpr int32_t kNoteChannelIndex = 1;

enum class Outcome { kDone, kUnhandledArgument, kFailed, kUnhandledResult, kOutOfBuffer };
}  // namespace

struct OSCScriptCalls::Job {
  LuaMIDIHelper* midi = nullptr;
  const char* name = nullptr;
  Argument first;
  Argument last;
  int results = 0;  // 0 for /exec, kCallResults for /call
  Results* out = nullptr;
  Outcome outcome = Outcome::kFailed;

  Job(Argument first, Argument last) : first(first), last(last) {}
};

void OSCScriptCalls::exec(LuaMIDIHelper* midi, const char* name, Argument first, Argument last) {
  Job job(first, last);
  job.name = name;
  run(midi, job);
}

void OSCScriptCalls::call(LuaMIDIHelper* midi, const char* name, Argument first, Argument last,
                          Results& out) {
  Job job(first, last);
  job.name = name;
  job.results = kCallResults;
  job.out = &out;
  out.count = 0;
  run(midi, job);
}

void OSCScriptCalls::run(LuaMIDIHelper* midi, Job& job) {
  if (!midi) throw osc::Exception(kNoLua);
  job.midi = midi;
  {
    // A stop that gives up waiting cancels the receive thread at a host-name lookup; one
    // made by a script (sendOSC) must finish instead: cancelled there, the thread would
    // leave the state in the middle of a call.
    platform::NonCancellableRegion wholeCall;
    LuaMIDISession session(*midi);
    lua_State* state = session.state();
    if (!state) throw osc::Exception(kFailedToExec);
    int top = lua_gettop(state);
    // Everything that touches the state runs inside a protected call: a lack of memory
    // while pushing arguments becomes a failure, not the end of the process.
    if (lua_cpcall(state, callInState, &job) != 0) job.outcome = Outcome::kFailed;
    lua_settop(state, top);
  }
  switch (job.outcome) {
    case Outcome::kDone: return;
    case Outcome::kUnhandledArgument: throw osc::Exception(kUnhandledArgument);
    case Outcome::kFailed: throw osc::Exception(kFailedToExec);
    case Outcome::kUnhandledResult: throw osc::Exception(kUnhandledResult);
    case Outcome::kOutOfBuffer: throw osc::Exception(kOutOfBuffer);
  }
}

// Runs inside lua_cpcall: no C++ exception may leave it, and no object with a destructor
// may be alive across a call that can raise a Lua error.
int OSCScriptCalls::callInState(lua_State* state) {
  Job& job = *static_cast<Job*>(lua_touserdata(state, 1));
  lua_settop(state, 0);
  // The global by its raw name: no metamethod of the globals table runs here.
  lua_pushstring(state, job.name ? job.name : "");
  lua_rawget(state, LUA_GLOBALSINDEX);
  if (!isReachable(state, -1)) {
    job.outcome = Outcome::kFailed;
    return 0;
  }
  if (!pushArguments(state, job)) {
    job.outcome = Outcome::kUnhandledArgument;
    return 0;
  }
  int nargs = lua_gettop(state) - 1;
  if (job.results) luaL_checkstack(state, job.results, "too many results");
  if (job.midi->protectedCall(nargs, job.results) != 0) {
    job.outcome = Outcome::kFailed;
    return 0;
  }
  job.outcome = Outcome::kDone;
  if (job.results && !collectResults(state, 1, job)) return 0;
  return 0;
}

bool OSCScriptCalls::isReachable(lua_State* state, int index) {
  if (lua_type(state, index) != LUA_TFUNCTION) return false;
  if (!lua_iscfunction(state, index)) return true;  // defined by a script
  lua_CFunction function = lua_tocfunction(state, index);
  if (function == &OSCSendFunction::sendOSC || function == &ScriptGlobals::print) return true;
  for (const auto& entry : MIDIScriptFunctions::kEntries)
    if (entry.function && entry.function == function) return true;
  return false;
}

bool OSCScriptCalls::pushArguments(lua_State* state, Job& job) {
  for (Argument a = job.first; a != job.last; ++a) {
    luaL_checkstack(state, 1, "too many arguments");
    switch (a->TypeTag()) {
      case osc::TRUE_TYPE_TAG: lua_pushboolean(state, 1); break;
      case osc::FALSE_TYPE_TAG: lua_pushboolean(state, 0); break;
      case osc::NIL_TYPE_TAG: lua_pushnil(state); break;
      case osc::FLOAT_TYPE_TAG: lua_pushnumber(state, a->AsFloatUnchecked()); break;
      case osc::DOUBLE_TYPE_TAG: lua_pushnumber(state, a->AsDoubleUnchecked()); break;
      case osc::INT32_TYPE_TAG: lua_pushnumber(state, a->AsInt32Unchecked()); break;
      case osc::INT64_TYPE_TAG:
        lua_pushnumber(state, static_cast<lua_Number>(a->AsInt64Unchecked()));
        break;
      case osc::STRING_TYPE_TAG: lua_pushstring(state, a->AsStringUnchecked()); break;
      default: return false;
    }
  }
  return true;
}

bool OSCScriptCalls::collectResults(lua_State* state, int base, Job& job) {
  Results& out = *job.out;
  size_t used = 0;
  for (int k = 0; k < kCallResults; ++k) {
    int at = base + k;
    int type = lua_type(state, at);
    if (type == LUA_TNIL || type == LUA_TNONE) break;
    Value& value = out.values[out.count];
    if (type == LUA_TNUMBER || (type == LUA_TSTRING && lua_isnumber(state, at))) {
      value.isText = false;
      value.number = static_cast<float>(lua_tonumber(state, at));
    } else if (type == LUA_TSTRING) {
      size_t length = 0;
      const char* text = lua_tolstring(state, at, &length);
      length = std::strlen(text);  // the reply carries the text up to its first zero
      if (length + 1 > kTextPool - used) {
        job.outcome = Outcome::kOutOfBuffer;
        return false;
      }
      std::memcpy(out.pool + used, text, length + 1);
      value.isText = true;
      value.text = out.pool + used;
      used += length + 1;
    } else {
      job.outcome = Outcome::kUnhandledResult;
      return false;
    }
    ++out.count;
  }
  return true;
}

int32_t OSCScriptCalls::velocityByte(float velocity) {
  double scaled = std::trunc(static_cast<double>(velocity) * 127.0);
  if (!std::isfinite(scaled)) return 0;
  // Beyond 2^62 every integer is a multiple of 256: its low 8 bits are 0.
  if (std::fabs(scaled) >= 4611686018427387904.0) return 0;
  return static_cast<int32_t>(static_cast<int64_t>(scaled) & 0xFF);
}

void OSCScriptCalls::note(LuaMIDIHelper* midi, bool on, int32_t note, float velocity) {
  if (!midi) throw osc::Exception(kNoLua);
  int32_t byte = velocityByte(velocity);
  platform::NonCancellableRegion wholeCall;  // as in run()
  LuaMIDISession session(*midi);
  if (!session.state()) return;
  if (on)
    midi->handleNoteOn(kNoteChannelIndex, note, byte);
  else
    midi->handleNoteOff(kNoteChannelIndex, note, byte);
}

}  // namespace HC
