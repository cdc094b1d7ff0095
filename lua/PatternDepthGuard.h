// Keeps Lua 5.1's pattern matcher from running off the thread's stack. The matcher
// (string.find, match, gmatch, gfind, gsub) recurses once per quantifier and capture of a
// pattern without any limit, so a long pattern crashes the process, soonest on an audio
// thread with a small stack. The guard puts each of these functions behind a check that
// refuses a pattern with more than kMaxDepth such items with "pattern too complex" (the
// error later Lua versions give), then runs the original in the same call, so every other
// result and error stays as it was.
#pragma once

#include <cstddef>

struct lua_State;

namespace HC {

class PatternDepthGuard {
public:
  static constexpr int kMaxDepth = 200;

  // Replaces the string library's matching functions (call inside a protected call).
  static void install(lua_State* state);
  // Quantifiers and parentheses of a pattern, escaped characters not counted: an upper
  // bound of the matcher's recursion depth.
  static int depth(const char* pattern, size_t length);
};

}  // namespace HC
