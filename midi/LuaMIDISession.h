// Entry into a LuaMIDIHelper's script state from a thread other than the host's event
// thread (construction, the OSC receive thread): holds the script lock for its lifetime.
// Opening waits for the lock and first dispatches MIDI events that the event thread queued
// while the lock was busy; closing dispatches those queued meanwhile, then releases it.
//
//   HC::LuaMIDISession session(helper);
//   lua_State* state = session.state();
//   ... push a function and arguments, then helper.protectedCall(nargs, 0) ...
#pragma once

struct lua_State;

namespace HC {

class LuaMIDIHelper;

class LuaMIDISession {
public:
  explicit LuaMIDISession(LuaMIDIHelper& helper);
  ~LuaMIDISession();
  LuaMIDISession(const LuaMIDISession&) = delete;
  LuaMIDISession& operator=(const LuaMIDISession&) = delete;

  // The helper's state, created and loaded on first use (LuaMIDIHelper::getState).
  lua_State* state();
  LuaMIDIHelper& helper() const { return midi; }

private:
  LuaMIDIHelper& midi;
};

}  // namespace HC
