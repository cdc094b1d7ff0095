#include "lua/ScriptLimits.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lua/LuaIncludes.h"
#include "platform/Output.h"
#include "platform/ThreadClock.h"

namespace HC {

namespace {
constexpr char kBudgetError[] = "script stopped: instruction limit reached (endless loop?)";
constexpr size_t kClockCheckBytes = 64 * 1024;

int64_t systemWallNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::atomic<int64_t (*)()> wallClock{&systemWallNs};
std::atomic<int64_t (*)()> cpuClock{&platform::threadCPUTimeNs};
}  // namespace

void ScriptLimits::setClocks(const Clocks& clocks) {
  wallClock.store(clocks.wallNs ? clocks.wallNs : &systemWallNs);
  cpuClock.store(clocks.cpuNs ? clocks.cpuNs : &platform::threadCPUTimeNs);
}

lua_State* ScriptLimits::newState() {
  lua_State* state = lua_newstate(&ScriptLimits::allocate, this);
  if (!state) return nullptr;
  lua_atpanic(state, &ScriptLimits::panic);
  mainState = state;
  setHook(state, kHookInterval);
  return state;
}

ScriptLimits::Deadline ScriptLimits::Deadline::after(std::chrono::nanoseconds span) {
  Deadline d;
  d.wallNs = wallClock.load(std::memory_order_relaxed)() + span.count();
  d.cpuNs = cpuClock.load(std::memory_order_relaxed)() + span.count() + platform::kThreadCPUTimeStepNs;
  return d;
}

bool ScriptLimits::Deadline::passed() const {
  // The wall clock is cheap to read; the processor time only once it has passed.
  return wallClock.load(std::memory_order_relaxed)() >= wallNs &&
         cpuClock.load(std::memory_order_relaxed)() >= cpuNs;
}

void ScriptLimits::begin(lua_State* state, long units, const Deadline& until) {
  budget = units;
  granted = units;
  deadline = until;
  capped = true;
  exhausted = false;
  // Also restores the interval after a run that ran out (see countHook). A run with less
  // than one interval left is checked at every instruction. Otherwise the count goes on
  // from the last run, so that many short runs still look at the clock now and then.
  int interval = units >= kHookInterval ? kHookInterval : 1;
  if (state != mainState || interval != mainInterval) setHook(state, interval);
}

void ScriptLimits::setHook(lua_State* state, int interval) {
  lua_sethook(state, &ScriptLimits::countHook, LUA_MASKCOUNT, interval);
  // The main state's interval is remembered, so that begin() need not ask Lua for it; the
  // hook itself cannot change behind our back (scripts may not set hooks).
  if (state == mainState) mainInterval = interval;
}

long ScriptLimits::end() {
  capped = false;
  return budget > 0 ? granted - budget : granted;
}

bool ScriptLimits::outOfWork() {
  if (!exhausted && (budget <= 0 || deadline.passed())) exhausted = true;
  return exhausted;
}

void* ScriptLimits::allocate(void* self, void* block, size_t oldSize, size_t newSize) {
  auto* limits = static_cast<ScriptLimits*>(self);
  if (newSize == 0) {
    std::free(block);
    limits->inUse -= oldSize;
    if (block) --limits->blocks;
    return nullptr;
  }
  // Lua passes oldSize 0 with a null block.
  if (limits->capped && newSize > oldSize && !limits->raising) {
    if (limits->inUse - oldSize + newSize > kMemoryLimit) return nullptr;
    // Copying and clearing take time in proportion to the bytes; big blocks also look at
    // the clock, since one call may build them piece by piece without an instruction.
    limits->budget -= static_cast<long>((newSize - oldSize) / kBytesPerUnit);
    if (limits->exhausted || limits->budget <= 0 ||
        (newSize - oldSize >= kClockCheckBytes && limits->outOfWork()))
      return nullptr;
  }
  void* grown = std::realloc(block, newSize);
  if (!grown) return nullptr;
  if (!block) ++limits->blocks;
  limits->inUse = limits->inUse - oldSize + newSize;
  return grown;
}

void ScriptLimits::countHook(lua_State* state, lua_Debug*) {
  void* self = nullptr;
  lua_getallocf(state, &self);
  auto* limits = static_cast<ScriptLimits*>(self);
  // Threads (coroutines) inherit the hook; each reports the interval it counts with.
  limits->budget -= lua_gethookcount(state);
  if (!limits->outOfWork()) {
    if (lua_gethookcount(state) != kHookInterval && limits->budget >= kHookInterval)
      limits->setHook(state, kHookInterval);
    return;
  }
  // From now on every instruction fails, so a script that catches the error with pcall
  // and carries on is stopped at its next instruction.
  limits->setHook(state, 1);
  limits->raising = true;
  luaL_where(state, 0);  // where the script was stopped
  lua_pushstring(state, kBudgetError);
  lua_concat(state, 2);
  limits->raising = false;
  lua_error(state);
}

void ScriptLimits::guardCollector(lua_State* state) {
  lua_getglobal(state, "collectgarbage");
  if (!lua_iscfunction(state, -1)) {
    lua_pop(state, 1);
    return;
  }
  lua_pushlightuserdata(state, this);
  lua_pushcclosure(state, &ScriptLimits::collectGarbage, 2);
  lua_setglobal(state, "collectgarbage");
}

// Upvalues: the library's collectgarbage, this object. Runs the original in this frame, so
// results and argument errors read as before.
int ScriptLimits::collectGarbage(lua_State* state) {
  auto* limits = static_cast<ScriptLimits*>(lua_touserdata(state, lua_upvalueindex(2)));
  const char* option = luaL_optstring(state, 1, "collect");
  if (std::strcmp(option, "collect") == 0 || std::strcmp(option, "step") == 0) {
    lua_addwork(state, limits->blocks * kUnitsPerBlock);
  } else if (std::strcmp(option, "setstepmul") == 0) {
    lua_Number multiplier = luaL_optnumber(state, 2, 0);
    if (!(multiplier >= 1 && multiplier <= kMaxStepMultiplier)) {
      lua_pushnumber(state, kMaxStepMultiplier);
      lua_replace(state, 2);
    }
  }
  return lua_tocfunction(state, lua_upvalueindex(1))(state);
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
