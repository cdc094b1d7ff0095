// Bounds on the work of one Lua state, so that a script can never hang or exhaust the host:
// - an instruction budget per run (a handler call, a script load, a script call), counted
//   by a count hook; a run that uses it up fails with a script error, and so does every
//   further instruction of that run, even inside the script's own pcall;
// - a memory cap while a run is in progress; an allocation beyond it fails, which Lua
//   reports as a "not enough memory" script error.
// Outside runs (setting up, closing) allocation is not capped.
#pragma once

#include <cstddef>

struct lua_State;
struct lua_Debug;

namespace HC {

class ScriptLimits {
public:
  static constexpr size_t kMemoryLimit = size_t{256} << 20;
  static constexpr int kHookInterval = 1000;  // instructions between two budget checks

  ScriptLimits() = default;
  ScriptLimits(const ScriptLimits&) = delete;
  ScriptLimits& operator=(const ScriptLimits&) = delete;

  // A new state that allocates through this object and has the count hook installed; the
  // panic handler writes to the debug output. Null when out of memory. The object must
  // outlive the state.
  lua_State* newState();

  // Starts a run of at most `instructions` instructions on state with the memory cap on.
  void begin(lua_State* state, long instructions);
  // Ends the run: the memory cap is off again.
  void end();

  size_t bytesInUse() const { return inUse; }

private:
  static void* allocate(void* self, void* block, size_t oldSize, size_t newSize);
  static void countHook(lua_State* state, lua_Debug* info);
  static int panic(lua_State* state);

  size_t inUse = 0;
  long budget = 0;
  bool capped = false;
};

}  // namespace HC
