// Keeps the debug library of a script state from handing scripts the plug-in's or Lua's
// own internals, which C code trusts without checking: the registry (our helper pointer,
// the parameter-name map, the handler references, the file-handle metatable), the
// upvalues, environments and stack slots of built-in (C) functions, and the metatables of
// userdata. A script that changed any of them could make the next C call dereference a
// foreign pointer, on the host's audio thread.
//
// After install():
// - debug.getregistry raises "debug.getregistry is not available inside a plug-in";
// - debug.getupvalue and debug.setupvalue on a C function, debug.getlocal and
//   debug.setlocal on the frame of a C function, raise "debug.<name> is not available for
//   built-in functions inside a plug-in";
// - debug.getfenv and debug.setfenv on a C function or a userdata raise "... for built-in
//   functions ..." or "... for userdata inside a plug-in";
// - debug.setmetatable on a userdata raises "... for userdata inside a plug-in".
// Everything else (script functions, tables, threads, the other debug functions) behaves
// as in Lua, and the guarded functions keep Lua's own argument errors.
//
// Threading: runs in the state it guards, under that state's script lock.
#pragma once

struct lua_State;

namespace HC {

class DebugLibraryGuard {
public:
  // Replaces the functions in the global debug table, if there is one (call inside a
  // protected call: it allocates).
  static void install(lua_State* state);
};

}  // namespace HC
