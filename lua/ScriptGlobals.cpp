#include "lua/ScriptGlobals.h"

#include <cstdio>
#include <cstring>

#include "lua/LuaIncludes.h"
#include "platform/Output.h"
#include "platform/PlatformInfo.h"

namespace HC {

namespace {

// Each piece goes through a 300-byte buffer, so a longer text is cut to 299 characters.
void writePiece(const char* text) {
  char piece[300];
  std::snprintf(piece, sizeof(piece), "%s", text);
  platform::debugOutput(piece, std::strlen(piece));
}

void setBoolean(lua_State* state, const char* name, bool value) {
  lua_pushboolean(state, value ? 1 : 0);
  lua_setglobal(state, name);
}

void setNumber(lua_State* state, const char* name, int value) {
  lua_pushnumber(state, value);
  lua_setglobal(state, name);
}

}  // namespace

void ScriptGlobals::install(lua_State* state) {
  setBoolean(state, "isMac", platform::kIsMac);
  setBoolean(state, "isWin", platform::kIsWindows);
  if (platform::kIsLinux) setBoolean(state, "isLinux", true);
  setBoolean(state, "isVST", true);
  setBoolean(state, "isAU", false);
  setNumber(state, "majorVersion", kMajorVersion);
  setNumber(state, "minorVersion", kMinorVersion);
  setNumber(state, "dotVersion", kDotVersion);
  setNumber(state, "version", kVersion);
}

void ScriptGlobals::installPrint(lua_State* state) {
  lua_pushcfunction(state, &ScriptGlobals::print);
  lua_setglobal(state, "print");
}

void ScriptGlobals::guardProcessExit(lua_State* state) {
  lua_getglobal(state, "os");
  if (lua_istable(state, -1)) {
    lua_pushcfunction(state, [](lua_State* L) -> int {
      return luaL_error(L, "os.exit is not available inside a plug-in");
    });
    lua_setfield(state, -2, "exit");
  }
  lua_pop(state, 1);
}

void ScriptGlobals::guardHook(lua_State* state) {
  lua_getglobal(state, "debug");
  if (lua_istable(state, -1)) {
    lua_pushcfunction(state, [](lua_State* L) -> int {
      return luaL_error(L, "debug.sethook is not available inside a plug-in");
    });
    lua_setfield(state, -2, "sethook");
  }
  lua_pop(state, 1);
}

int ScriptGlobals::print(lua_State* state) {
  int count = lua_gettop(state);
  lua_getglobal(state, "tostring");
  for (int i = 1; i <= count; ++i) {
    lua_pushvalue(state, -1);
    lua_pushvalue(state, i);
    lua_call(state, 1, 1);
    const char* text = lua_tostring(state, -1);
    if (!text) return luaL_error(state, "'tostring' must return a string to 'print'");
    if (i > 1) writePiece("\t");
    writePiece(text);
    lua_pop(state, 1);
  }
  writePiece("\n");
  return 0;
}

}  // namespace HC
