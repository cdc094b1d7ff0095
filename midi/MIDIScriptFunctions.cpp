// Script functions raise errors with luaL_error, which unwinds with longjmp: no function
// here keeps an object with a destructor alive across a call that may raise.
#include "midi/MIDIScriptFunctions.h"

#include <cfloat>
#include <cmath>
#include <string_view>

#include "framework/HvcAuBase.h"
#include "lua/LuaIncludes.h"
#include "midi/LuaMIDIHelper.h"

namespace HC {

namespace {

using Kind = MIDIHandlerTables::Kind;

LuaMIDIHelper& helperOf(lua_State* state) {
  // registerAll made every function a closure over its helper.
  return *static_cast<LuaMIDIHelper*>(lua_touserdata(state, lua_upvalueindex(1)));
}

const LuaMIDIHelper::ParameterLookup* lookupOf(lua_State* state) {
  return helperOf(state).parameterNames();
}

// Index of a parameter name, or raises "parameter not found".
int32_t lookUpName(lua_State* state, int arg) {
  size_t length = 0;
  const char* name = luaL_checklstring(state, arg, &length);
  const LuaMIDIHelper::ParameterLookup* lookup = lookupOf(state);
  if (lookup) {
    auto found = lookup->find(std::string_view(name, length));
    if (found != lookup->end()) return found->second;
  }
  return luaL_error(state, "parameter not found: '%s'", name);
}

// A whole 32-bit float for a Lua number; values beyond the float range become infinities.
float toFloat(double value) {
  if (value > FLT_MAX) return INFINITY;
  if (value < -FLT_MAX) return -INFINITY;
  return static_cast<float>(value);  // NaN stays NaN
}

// Key of a keyed request, truncated like Lua's own integer conversion.
int32_t keyArgument(lua_State* state, int arg) {
  double key = std::trunc(luaL_checknumber(state, arg));
  if (!(key >= -2147483648.0 && key <= 2147483647.0)) return INT32_MIN;  // never fires
  return static_cast<int32_t>(key);
}

int addHandler(lua_State* state, Kind kind, bool keyed, int32_t key, int functionArg) {
  LuaMIDIHelper& helper = helperOf(state);
  if (helper.handlerTables().full())
    return luaL_error(state, "too many MIDI handlers (at most %d)",
                      static_cast<int>(MIDIHandlerTables::kMaxReferences));
  lua_pushvalue(state, functionArg);
  int reference = luaL_ref(state, LUA_REGISTRYINDEX);
  bool stored = keyed ? helper.handlerTables().addKeyed(kind, key, reference)
                      : helper.handlerTables().addAll(kind, reference);
  if (!stored) {
    luaL_unref(state, LUA_REGISTRYINDEX, reference);
    return luaL_error(state, "not enough memory");
  }
  return 0;
}

int requestAll(lua_State* state, Kind kind, const char* name) {
  if (!lua_isfunction(state, 1))
    return luaL_error(state, "first argument to %s() is not a function", name);
  return addHandler(state, kind, false, 0, 1);
}

int requestKeyed(lua_State* state, Kind kind, const char* name) {
  int32_t key = keyArgument(state, 1);
  if (!lua_isfunction(state, 2))
    return luaL_error(state, "second argument to %s() is not a function", name);
  return addHandler(state, kind, true, key, 2);
}

// --- Parameters ---------------------------------------------------------------------------

int setParameter(lua_State* state) {
  int32_t index = MIDIScriptFunctions::parameterArgument(state, 1, true);
  double value = luaL_checknumber(state, 2);
  HvcAuBase* effect = helperOf(state).getEffect();
  effect->setPlainValue(index, toFloat(value));
  effect->updateDisplay();
  return 0;
}

int getParameter(lua_State* state) {
  int32_t index = MIDIScriptFunctions::parameterArgument(state, 1, true);
  lua_pushnumber(state, helperOf(state).getEffect()->getPlainValue(index));
  return 1;
}

int getParameterID(lua_State* state) {
  lua_pushnumber(state, lookUpName(state, 1));
  return 1;
}

int getParameterMinMax(lua_State* state) {
  int32_t index = MIDIScriptFunctions::parameterArgument(state, 1, true);
  const ParameterDescriptor& d = helperOf(state).getEffect()->descriptor(index);
  lua_pushnumber(state, d.minimum);
  lua_pushnumber(state, d.maximum);
  return 2;
}

int getParameterUnit(lua_State* state) {
  int32_t index = MIDIScriptFunctions::parameterArgument(state, 1, true);
  lua_pushnumber(state, helperOf(state).getEffect()->descriptor(index).unit);
  return 1;
}

int getParameterName(lua_State* state) {
  int32_t index = MIDIScriptFunctions::parameterArgument(state, 1, true);
  lua_pushstring(state, helperOf(state).getEffect()->descriptor(index).name);
  return 1;
}

int isParameterUsed(lua_State* state) {
  int32_t index = MIDIScriptFunctions::parameterArgument(state, 1, true);
  lua_pushboolean(state, helperOf(state).isParameterUsed(index) ? 1 : 0);
  return 1;
}

int getNumParameters(lua_State* state) {
  lua_pushnumber(state, helperOf(state).getEffect()->getNumParameters());
  return 1;
}

// Another instance's parameters cannot be reached from here: both validate their
// arguments and do nothing.
int setOthersParameter(lua_State* state) {
  MIDIScriptFunctions::parameterArgument(state, 2, false);
  luaL_checknumber(state, 3);
  return 0;
}

int getOthersParameter(lua_State* state) {
  MIDIScriptFunctions::parameterArgument(state, 2, false);
  lua_pushnumber(state, 0);
  return 1;
}

// --- Handler requests ---------------------------------------------------------------------

int requestAllNoteOn(lua_State* s) { return requestAll(s, Kind::kNoteOn, "requestAllNoteOn"); }
int requestAllNoteOff(lua_State* s) { return requestAll(s, Kind::kNoteOff, "requestAllNoteOff"); }
int requestAllCC(lua_State* s) { return requestAll(s, Kind::kControlChange, "requestAllCC"); }
int requestAllNRPN(lua_State* s) { return requestAll(s, Kind::kNRPN, "requestAllNRPN"); }
int requestAllProgramChange(lua_State* s) {
  return requestAll(s, Kind::kProgramChange, "requestAllProgramChange");
}
int requestAllPolyPressure(lua_State* s) {
  return requestAll(s, Kind::kPolyPressure, "requestAllPolyPressure");
}
int requestPitchWheel(lua_State* s) { return requestAll(s, Kind::kPitchWheel, "requestPitchWheel"); }
int requestChannelPressure(lua_State* s) {
  return requestAll(s, Kind::kChannelPressure, "requestChannelPressure");
}
int requestNoteOn(lua_State* s) { return requestKeyed(s, Kind::kNoteOn, "requestNoteOn"); }
int requestNoteOff(lua_State* s) { return requestKeyed(s, Kind::kNoteOff, "requestNoteOff"); }
int requestCC(lua_State* s) { return requestKeyed(s, Kind::kControlChange, "requestCC"); }
int requestNRPN(lua_State* s) { return requestKeyed(s, Kind::kNRPN, "requestNRPN"); }
int requestProgramChange(lua_State* s) {
  return requestKeyed(s, Kind::kProgramChange, "requestProgramChange");
}
int requestPolyPressure(lua_State* s) {
  return requestKeyed(s, Kind::kPolyPressure, "requestPolyPressure");
}

}  // namespace

const MIDIScriptFunctions::Entry MIDIScriptFunctions::kEntries[kCount] = {
    {"setParameter", setParameter},
    {"getParameter", getParameter},
    {"getParameterID", getParameterID},
    {"getParameterMinMax", getParameterMinMax},
    {"getParameterUnit", getParameterUnit},
    {"getParameterName", getParameterName},
    {"isParameterUsed", isParameterUsed},
    {"getNumParameters", getNumParameters},
    {"sendOSC", nullptr},
    {"setOthersParameter", setOthersParameter},
    {"getOthersParameter", getOthersParameter},
    {"requestAllNoteOn", requestAllNoteOn},
    {"requestAllNoteOff", requestAllNoteOff},
    {"requestAllCC", requestAllCC},
    {"requestAllNRPN", requestAllNRPN},
    {"requestAllProgramChange", requestAllProgramChange},
    {"requestAllPolyPressure", requestAllPolyPressure},
    {"requestNoteOn", requestNoteOn},
    {"requestNoteOff", requestNoteOff},
    {"requestCC", requestCC},
    {"requestNRPN", requestNRPN},
    {"requestPitchWheel", requestPitchWheel},
    {"requestChannelPressure", requestChannelPressure},
    {"requestProgramChange", requestProgramChange},
    {"requestPolyPressure", requestPolyPressure},
};

void MIDIScriptFunctions::registerAll(lua_State* state, LuaMIDIHelper* helper, Function sendOSC,
                                      void* context) {
  for (const Entry& entry : kEntries) {
    if (entry.function) {
      lua_pushlightuserdata(state, helper);
      lua_pushcclosure(state, entry.function, 1);
    } else if (sendOSC) {
      lua_pushlightuserdata(state, context);
      lua_pushcclosure(state, sendOSC, 1);
    } else {
      continue;
    }
    lua_setglobal(state, entry.name);
  }
}

int32_t MIDIScriptFunctions::roundIndex(double value) {
  if (!(value >= -2147483648.5 && value < 2147483648.0)) return INT32_MIN;
  double whole = std::floor(value);
  double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole > 2147483647.0) return INT32_MIN;
  return static_cast<int32_t>(whole);
}

int32_t MIDIScriptFunctions::parameterArgument(lua_State* state, int arg, bool rangeCheck) {
  int type = lua_type(state, arg);
  if (type == LUA_TNUMBER || (type == LUA_TSTRING && lua_isnumber(state, arg))) {
    int32_t index = roundIndex(lua_tonumber(state, arg));
    if (rangeCheck && !helperOf(state).getEffect()->isValidParameter(index))
      return luaL_error(state, "parameter out of range: %d", index);
    return index;
  }
  return lookUpName(state, arg);
}

}  // namespace HC
