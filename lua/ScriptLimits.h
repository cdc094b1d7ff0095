// Bounds on the work of one Lua state, so that a script can never hang or exhaust the host:
// - a work budget per run (a handler call, a script load, a script call, closing), in
//   units: one per Lua instruction (counted by a count hook), one per step of long work
//   inside an instruction or library call (our Lua reports string comparison, pattern
//   matching, string.rep, table.concat, table.sort and unpack through lua_addwork), and one
//   per kBytesPerUnit bytes allocated. A run that uses it up fails with a script error, and
//   so does every further instruction of that run, even inside the script's own pcall;
//   allocations fail too, as "not enough memory";
// - a deadline per run, checked at the same points: a backstop for work that is slow per
//   unit (a C function that formats, copies or converts a lot in one call). It has passed
//   when both the wall clock and the thread's own processor time have gone past it, so a
//   thread that the system merely preempted (a busy machine) is not stopped for it; where
//   the processor time advances in ticks (Windows), the deadline allows one more tick, so
//   a run always gets at least its whole span;
// - a memory cap while a run is in progress; an allocation beyond it fails, which Lua
//   reports as a "not enough memory" script error.
// Outside runs (setting up) allocation is not capped.
//
// Threads: none of its own. The object belongs to the one thread that holds the state's
// lock; begin(), end() and the callbacks run there.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

struct lua_State;
struct lua_Debug;

namespace HC {

class ScriptLimits {
public:
  // Also bounds closing: freeing a full heap of small objects takes about 50 ms.
  static constexpr size_t kMemoryLimit = size_t{64} << 20;
  static constexpr int kHookInterval = 1000;  // units between two budget checks
  static constexpr size_t kBytesPerUnit = 16;  // allocation charged per unit of work
  // Deadlines are a backstop for work that is slow per unit; sanitizer builds run every
  // instruction several times slower, so their deadlines stretch alike and ordinary work
  // meets the unit budget first there too.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  static constexpr int kDeadlineScale = 10;
#else
  static constexpr int kDeadlineScale = 1;
#endif
  // The clocks deadlines read, in nanoseconds: the wall clock (monotonic) and the calling
  // thread's processor time. Tests install their own, so that whether a deadline has passed
  // is theirs to decide, never the machine's speed or load; a null function restores the
  // system's clock. Process-wide: set it while no script runs.
  struct Clocks {
    int64_t (*wallNs)() = nullptr;
    int64_t (*cpuNs)() = nullptr;
  };
  static void setClocks(const Clocks& clocks);

  // A point in time on both clocks: the wall clock and the processor time of the thread
  // that made it (only that thread may check it).
  struct Deadline {
    int64_t wallNs = 0;
    int64_t cpuNs = 0;
    static Deadline after(std::chrono::nanoseconds span);
    bool passed() const;
  };

  ScriptLimits() = default;
  ScriptLimits(const ScriptLimits&) = delete;
  ScriptLimits& operator=(const ScriptLimits&) = delete;

  // A new state that allocates through this object and has the count hook installed; the
  // panic handler writes to the debug output. Null when out of memory. The object must
  // outlive the state.
  lua_State* newState();

  // Puts collectgarbage behind a guard (call inside a protected call): a full collection or
  // a step is charged kUnitsPerBlock per allocated block (the collector visits and frees
  // objects, whatever their size), and the step multiplier is kept to
  // 1..kMaxStepMultiplier. Lua reads 0 as "no limit": every allocation would then run a
  // whole collection, which on a big heap holds the thread for ages with no check between.
  static constexpr int kMaxStepMultiplier = 1000;
  static constexpr size_t kUnitsPerBlock = 4;
  void guardCollector(lua_State* state);

  // Starts a run of at most `units` units of work, stopped at `deadline` at the latest, on
  // state with the memory cap on. A run with no units left fails at its first instruction.
  void begin(lua_State* state, long units, const Deadline& deadline);
  // Ends the run: the memory cap is off again. Returns the units the run used.
  long end();

  // True once the current (or last) run was stopped by its budget or its deadline.
  bool stopped() const { return exhausted; }
  size_t bytesInUse() const { return inUse; }

private:
  static void* allocate(void* self, void* block, size_t oldSize, size_t newSize);
  static void countHook(lua_State* state, lua_Debug* info);
  static int panic(lua_State* state);
  static int collectGarbage(lua_State* state);

  bool outOfWork();
  void setHook(lua_State* state, int interval);

  lua_State* mainState = nullptr;
  int mainInterval = 0;
  size_t inUse = 0;
  size_t blocks = 0;  // allocated blocks, about one per Lua object
  long budget = 0;
  long granted = 0;
  Deadline deadline{};
  bool capped = false;
  bool exhausted = false;
  bool raising = false;  // building the stop message: its few bytes are let through
};

}  // namespace HC
