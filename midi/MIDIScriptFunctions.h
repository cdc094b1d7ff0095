// The 25 script functions of the MIDI state, registered as globals in this order:
// setParameter, getParameter, getParameterID, getParameterMinMax, getParameterUnit,
// getParameterName, isParameterUsed, getNumParameters, sendOSC, setOthersParameter,
// getOthersParameter, requestAllNoteOn, requestAllNoteOff, requestAllCC, requestAllNRPN,
// requestAllProgramChange, requestAllPolyPressure, requestNoteOn, requestNoteOff,
// requestCC, requestNRPN, requestPitchWheel, requestChannelPressure, requestProgramChange,
// requestPolyPressure.
//
// Each is a C closure whose upvalue is its LuaMIDIHelper (and through it the effect and the
// parameter-name map): scripts can neither read nor replace the upvalues of C functions
// (DebugLibraryGuard), while the registry copy under LuaMIDIHelper::kRefcon is only for
// the plug-in's own code. Misuse raises script errors with fixed texts.
#pragma once

#include <cstdint>

struct lua_State;

namespace HC {

class LuaMIDIHelper;

class MIDIScriptFunctions {
public:
  typedef int (*Function)(lua_State*);
  struct Entry {
    const char* name;
    Function function;  // null for sendOSC, which the OSC server supplies
  };
  static constexpr int kCount = 25;
  static const Entry kEntries[kCount];

  // Registers the functions as globals in order, each a closure over helper; sendOSC as a
  // C closure over context when supplied, otherwise not at all. Call inside a protected
  // call: it allocates.
  static void registerAll(lua_State* state, LuaMIDIHelper* helper, Function sendOSC, void* context);

  // Only inside one of these functions: the parameter argument at position arg: a number, or a text that converts to one, is an
  // index rounded to the nearest integer (ties to even), checked against 0..count-1 when
  // rangeCheck is set ("parameter out of range: %d"); any other text is a parameter name
  // ("parameter not found: '%s'"); anything else is a bad argument.
  static int32_t parameterArgument(lua_State* state, int arg, bool rangeCheck);

  // Round to nearest, ties to even; NaN and values outside int32 give INT32_MIN.
  static int32_t roundIndex(double value);
};

}  // namespace HC
