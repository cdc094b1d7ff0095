#include "midi/LuaMIDISession.h"

#include "midi/LuaMIDIHelper.h"

namespace HC {

LuaMIDISession::LuaMIDISession(LuaMIDIHelper& helper) : midi(helper) { midi.enter(); }

LuaMIDISession::~LuaMIDISession() { midi.leave(); }

lua_State* LuaMIDISession::state() { return midi.getState(); }

}  // namespace HC
