#include "lua/ScriptSandbox.h"

#include "lua/DebugLibraryGuard.h"
#include "lua/LuaIncludes.h"
#include "lua/PatternDepthGuard.h"
#include "lua/ScriptGlobals.h"
#include "lua/ScriptLimits.h"

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
