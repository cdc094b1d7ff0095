#include "lua/DebugLibraryGuard.h"

#include "lua/LuaIncludes.h"

namespace HC {

namespace {

// Upvalue 1 of every guard: the library's own function, run in the guard's frame once the
// arguments pass, so stack levels, results and argument errors read as before.
int callOriginal(lua_State* state) {
  return lua_tocfunction(state, lua_upvalueindex(1))(state);
}

int refuse(lua_State* state, const char* name, const char* what) {
  if (!what) return luaL_error(state, "debug.%s is not available inside a plug-in", name);
  return luaL_error(state, "debug.%s is not available for %s inside a plug-in", name, what);
}

constexpr char kBuiltIn[] = "built-in functions";
constexpr char kUserdata[] = "userdata";

int getRegistry(lua_State* state) {
  return refuse(state, "getregistry", nullptr);
}

int getUpvalue(lua_State* state) {
  if (lua_iscfunction(state, 1)) return refuse(state, "getupvalue", kBuiltIn);
  return callOriginal(state);
}

int setUpvalue(lua_State* state) {
  if (lua_iscfunction(state, 1)) return refuse(state, "setupvalue", kBuiltIn);
  return callOriginal(state);
}

// A C function's environment may be a private table it reads without checks (io's current
// files); a userdata's may hold the C function that closes it.
const char* hiddenEnvironment(lua_State* state) {
  if (lua_iscfunction(state, 1)) return kBuiltIn;
  if (lua_type(state, 1) == LUA_TUSERDATA) return kUserdata;
  return nullptr;
}

int getEnvironment(lua_State* state) {
  if (const char* what = hiddenEnvironment(state)) return refuse(state, "getfenv", what);
  return callOriginal(state);
}

int setEnvironment(lua_State* state) {
  if (const char* what = hiddenEnvironment(state)) return refuse(state, "setfenv", what);
  return callOriginal(state);
}

// C code checks a userdata's type by its metatable alone (luaL_checkudata).
int setMetatable(lua_State* state) {
  if (lua_type(state, 1) == LUA_TUSERDATA) return refuse(state, "setmetatable", kUserdata);
  return callOriginal(state);
}

// True when the level named by the arguments ([thread,] level, ...) is a frame that is not
// a script function's: a C function, or a tail call whose frame is gone (Lua then reads the
// stack's base). A level that does not exist is left to the library's own error.
bool isBuiltInFrame(lua_State* state) {
  int arg = 1;
  lua_State* thread = state;
  if (lua_type(state, 1) == LUA_TTHREAD) {
    thread = lua_tothread(state, 1);
    arg = 2;
  }
  if (!lua_isnumber(state, arg)) return false;
  lua_Debug frame;
  if (!lua_getstack(thread, static_cast<int>(lua_tointeger(state, arg)), &frame)) return false;
  if (!lua_getinfo(thread, "S", &frame)) return true;
  return frame.what[0] != 'L' && frame.what[0] != 'm';  // "Lua" and "main" are scripts
}

int getLocal(lua_State* state) {
  if (isBuiltInFrame(state)) return refuse(state, "getlocal", kBuiltIn);
  return callOriginal(state);
}

int setLocal(lua_State* state) {
  if (isBuiltInFrame(state)) return refuse(state, "setlocal", kBuiltIn);
  return callOriginal(state);
}

struct Guard {
  const char* name;
  lua_CFunction function;
};

constexpr Guard kGuards[] = {
    {"getregistry", getRegistry}, {"getupvalue", getUpvalue},  {"setupvalue", setUpvalue},
    {"getfenv", getEnvironment},  {"setfenv", setEnvironment}, {"setmetatable", setMetatable},
    {"getlocal", getLocal},       {"setlocal", setLocal},
};

}  // namespace

void DebugLibraryGuard::install(lua_State* state) {
  lua_getglobal(state, "debug");
  if (!lua_istable(state, -1)) {
    lua_pop(state, 1);
    return;
  }
  for (const Guard& guard : kGuards) {
    lua_getfield(state, -1, guard.name);
    if (!lua_tocfunction(state, -1)) {
      lua_pop(state, 1);
      continue;
    }
    lua_pushcclosure(state, guard.function, 1);
    lua_setfield(state, -2, guard.name);
  }
  lua_pop(state, 1);
}

}  // namespace HC
