// What OSC requests do in the MIDI script state: /exec and /call run a global function,
// /startNote and /stopNote inject a note into the MIDI dispatch. Every entry holds the
// per-instance script lock (through LuaMIDISession) and every script call runs under the
// MIDI helper's instruction budget (LuaMIDIHelper::protectedCall), so a request can
// neither overlap MIDI dispatch nor hang the receive thread.
//
// Only functions that scripts define (Lua functions) and the program's own script
// functions (setParameter, getParameter, ..., sendOSC, print) can be reached. Globals of the Lua
// standard library (dofile, loadfile, require, loadstring, collectgarbage, ...) and any
// other value are refused like an undefined name: a client on the network can neither load
// code nor stall the state.
//
// Failures are thrown as osc::Exception with the fixed texts: "no Lua support from OSC",
// "unhandled argument type to exec", "failed to exec function", "unhandled argument type
// return from call", and "out of buffer memory" for results that cannot fit a reply.
// The state's stack is left as it was, whatever the outcome.
#pragma once

#include <cstddef>
#include <cstdint>

#include <oscpack/osc/OscReceivedElements.h>

struct lua_State;

namespace HC {

class LuaMIDIHelper;

class OSCScriptCalls {
public:
  static constexpr int kCallResults = 16;
  static constexpr size_t kTextPool = 1024;  // room for the texts of one reply

  // One result of /call that goes into the reply: a number (as f) or a text (as s).
  struct Value {
    bool isText = false;
    float number = 0.0f;
    const char* text = nullptr;  // points into Results::pool
  };
  struct Results {
    Value values[kCallResults];
    int count = 0;
    char pool[kTextPool];
  };

  using Argument = osc::ReceivedMessageArgumentIterator;

  // Runs the global function `name` with the arguments [first, last), with no results.
  static void exec(LuaMIDIHelper* midi, const char* name, Argument first, Argument last);
  // Runs it with 16 results and converts results 1..16 up to the first nil into out.
  static void call(LuaMIDIHelper* midi, const char* name, Argument first, Argument last,
                   Results& out);
  // Note on or off with channel index 1 (scripts see channel 2); the velocity passed on is
  // the low 8 bits of the integer part of velocity × 127.
  static void note(LuaMIDIHelper* midi, bool on, int32_t note, float velocity);

  // The velocity rule of note(), on its own.
  static int32_t velocityByte(float velocity);

private:
  struct Job;
  static void run(LuaMIDIHelper* midi, Job& job);
  static int callInState(lua_State* state);
  static bool isReachable(lua_State* state, int index);
  static bool pushArguments(lua_State* state, Job& job);
  static bool collectResults(lua_State* state, int base, Job& job);
};

}  // namespace HC
