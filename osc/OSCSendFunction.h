// The script function sendOSC(url, address [, format], values), offered to every script
// state of the program (the MIDI state through LuaMIDIHelper::supplySendOSC, the editor's
// layout state likewise):
// - url and address must be texts (standard argument errors otherwise);
// - 3 arguments: the third is the values table, no format; 4 arguments: the third is the
//   format (a text), the fourth the values table; any other count: no values;
// - where there is a values position, it must hold a table ("bad argument #%d to
//   'sendOSC' (table expected, got %s)");
// - the table's elements 1..#values in order: nil becomes N; a number, or a text that
//   converts to one, becomes i (rounded to the nearest integer, ties to even) where the
//   format's letter at that position is 'i', else f; any other text becomes s; any other
//   value raises "unhandled argument type return from call";
// - a format whose length differs from #values raises "format string length mismatch in
//   sendOSC";
// - the packet is one bundle with the immediate time tag around one message, at most
//   1024 bytes ("out of buffer memory"), sent once through a new UDP socket connected to
//   the URL's endpoint ("unable to connect udp socket" when that cannot be done; the
//   socket layer's line end is left off).
// Returns no results. Runs on the calling script's thread; it resolves the host name and
// opens a socket there.
#pragma once

struct lua_State;

namespace HC {

class OSCSendFunction {
public:
  static int sendOSC(lua_State* state);

private:
  struct Job;
  static bool build(lua_State* state, Job& job);
};

}  // namespace HC
