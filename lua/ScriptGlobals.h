// What every script state of the program shares (the MIDI state here, the editor's layout
// state too): the globals isMac, isWin, isVST, isAU, majorVersion, minorVersion,
// dotVersion and version (on Linux also isLinux = true), and the program's own print,
// which writes to the debug output in pieces of at most 299 characters: a tab before every
// argument but the first, each argument converted with the global tostring, one newline.
#pragma once

#include "framework/Version.h"

struct lua_State;

namespace HC {

class ScriptGlobals {
public:
  static constexpr int kMajorVersion = quorvella::kMajorVersion;
  static constexpr int kMinorVersion = quorvella::kMinorVersion;
  static constexpr int kDotVersion = quorvella::kDotVersion;
  static constexpr int kVersion = kMajorVersion * 10000 + kMinorVersion * 100 + kDotVersion;

  // Sets the shared globals (call inside a protected call: it allocates).
  static void install(lua_State* state);
  // Replaces the global print with the program's own.
  static void installPrint(lua_State* state);
  // Replaces os.exit, which would end the host with the plug-in in it, by a function that
  // raises "os.exit is not available inside a plug-in".
  static void guardProcessExit(lua_State* state);
  // Replaces debug.sethook by a function that raises "debug.sethook is not available inside
  // a plug-in": a state has one hook, and a script that set its own would remove the
  // instruction budget that stops endless loops.
  static void guardHook(lua_State* state);
  // The program's print, as a script function.
  static int print(lua_State* state);
};

}  // namespace HC
