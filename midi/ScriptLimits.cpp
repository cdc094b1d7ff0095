#include "midi/ScriptLimits.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "midi/LuaIncludes.h"
#include "platform/Output.h"

namespace HC {

namespace {
constexpr char kBudgetError[] = "script stopped: instruction limit reached (endless loop?)";
}

lua_State* ScriptLimits::newState() {
  lua_State* state = lua_newstate(&ScriptLimits::allocate, this);
  if (!state) return nullptr;
  lua_atpanic(state, &ScriptLimits::panic);
  lua_sethook(state, &ScriptLimits::countHook, LUA_MASKCOUNT, kHookInterval);
  return state;
}

void ScriptLimits::begin(lua_State* state, long instructions) {
  budget = instructions;
  capped = true;
  // Also restores the interval after a run that ran out (see countHook).
  lua_sethook(state, &ScriptLimits::countHook, LUA_MASKCOUNT, kHookInterval);
}

void ScriptLimits::end() { capped = false; }

void* ScriptLimits::allocate(void* self, void* block, size_t oldSize, size_t newSize) {
  auto* limits = static_cast<ScriptLimits*>(self);
  if (newSize == 0) {
    std::free(block);
    limits->inUse -= oldSize;
    return nullptr;
  }
  // Lua passes oldSize 0 with a null block.
  if (limits->capped && newSize > oldSize && limits->inUse - oldSize + newSize > kMemoryLimit)
    return nullptr;
  void* grown = std::realloc(block, newSize);
  if (!grown) return nullptr;
  limits->inUse = limits->inUse - oldSize + newSize;
  return grown;
}

void ScriptLimits::countHook(lua_State* state, lua_Debug*) {
  void* self = nullptr;
  lua_getallocf(state, &self);
  auto* limits = static_cast<ScriptLimits*>(self);
  // Threads (coroutines) inherit the hook; each reports the interval it counts with.
  limits->budget -= lua_gethookcount(state);
  if (limits->budget > 0) {
    if (lua_gethookcount(state) != kHookInterval)
      lua_sethook(state, &ScriptLimits::countHook, LUA_MASKCOUNT, kHookInterval);
    return;
  }
  // From now on every instruction fails, so a script that catches the error with pcall
  // and carries on is stopped at its next instruction.
  lua_sethook(state, &ScriptLimits::countHook, LUA_MASKCOUNT, 1);
  luaL_where(state, 0);  // where the script was stopped
  lua_pushstring(state, kBudgetError);
  lua_concat(state, 2);
  lua_error(state);
}

int ScriptLimits::panic(lua_State* state) {
  const char* message = lua_tostring(state, -1);
  char text[300];
  std::snprintf(text, sizeof(text), "PANIC: unprotected error in call to Lua API (%s)\n",
                message ? message : "?");
  platform::debugOutput(text, std::strlen(text));
  return 0;
}

}  // namespace HC
