// The standard libraries of a script state with everything that keeps a hostile script from
// the host: the program's own print, no process exit, no replacing of the budget's hook, the
// debug library without the functions that reach the plug-in's internals, bounded pattern
// matching and a guarded collector. Both script states of an instance (the MIDI scripts' and
// the editor's layout) are opened this way.
//
// Threads: whichever thread holds the state, inside a protected call (opening allocates).
#pragma once

struct lua_State;

namespace HC {

class ScriptLimits;

class ScriptSandbox {
public:
  static void open(lua_State* state, ScriptLimits& limits);
};

}  // namespace HC
