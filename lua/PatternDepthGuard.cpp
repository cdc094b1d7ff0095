#include "lua/PatternDepthGuard.h"

#include <cstddef>

#include "lua/LuaIncludes.h"

namespace HC {

namespace {

constexpr const char* kGuarded[] = {"find", "match", "gmatch", "gfind", "gsub"};

// Upvalue 1: the library's own function. Called in its place, it runs in this call's
// frame, so argument errors and error positions read exactly as before.
int guarded(lua_State* state) {
  // string.find(s, p, init, true) searches for plain text: the matcher is not used.
  bool plain = !lua_isnil(state, lua_upvalueindex(2)) && lua_toboolean(state, 4);
  int type = lua_type(state, 2);
  if (!plain && (type == LUA_TSTRING || type == LUA_TNUMBER)) {
    size_t length = 0;
    const char* pattern = lua_tolstring(state, 2, &length);
    if (PatternDepthGuard::depth(pattern, length) > PatternDepthGuard::kMaxDepth)
      return luaL_error(state, "pattern too complex");
  }
  return lua_tocfunction(state, lua_upvalueindex(1))(state);
}

}  // namespace

int PatternDepthGuard::depth(const char* pattern, size_t length) {
  int items = 0;
  for (size_t i = 0; i < length; ++i) {
    switch (pattern[i]) {
      case '%': ++i; break;  // an escaped character is matched in place
      case '?':
      case '*':
      case '+':
      case '-':
      case '(':
      case ')': ++items; break;
      default: break;
    }
  }
  return items;
}

void PatternDepthGuard::install(lua_State* state) {
  lua_getglobal(state, "string");
  if (!lua_istable(state, -1)) {
    lua_pop(state, 1);
    return;
  }
  for (const char* name : kGuarded) {
    lua_getfield(state, -1, name);
    lua_CFunction original = lua_tocfunction(state, -1);
    if (!original) {
      lua_pop(state, 1);
      continue;
    }
    // A second upvalue marks find, the one function with a plain-text mode.
    bool isFind = name[0] == 'f';
    if (isFind)
      lua_pushvalue(state, -1);
    else
      lua_pushnil(state);
    lua_pushcclosure(state, guarded, 2);
    lua_setfield(state, -2, name);
  }
  lua_pop(state, 1);
}

}  // namespace HC
