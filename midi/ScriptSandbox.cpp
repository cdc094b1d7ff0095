#include "midi/ScriptSandbox.h"

#include "midi/DebugLibraryGuard.h"
#include "midi/LuaIncludes.h"
#include "midi/PatternDepthGuard.h"
#include "midi/ScriptGlobals.h"
#include "midi/ScriptLimits.h"

namespace HC {

void ScriptSandbox::open(lua_State* state, ScriptLimits& limits) {
  luaL_openlibs(state);
  ScriptGlobals::installPrint(state);
  ScriptGlobals::guardProcessExit(state);
  ScriptGlobals::guardHook(state);
  DebugLibraryGuard::install(state);
  PatternDepthGuard::install(state);
  limits.guardCollector(state);
}

}  // namespace HC
