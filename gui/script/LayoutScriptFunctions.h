// The layout script's global functions: group, knob, button, slider, luaButton, texture,
// add, setGroupActiveColour, setGroupInactiveColour, setBackgroundColour,
// setBannerPosition, redrawLabels, setParameter, getParameter, getParameterID and sendOSC.
//
// Number arguments are read with Lua's conversion (anything else reads 0). A parameter is
// a number, or a text that converts to one (its integer part), or a name from the
// parameter-name table ("parameter not found: '<name>'"); indices outside the effect's
// parameters fail with "parameter out of range: <index>".
//
// Threads: the editor's user-interface thread, inside the layout state.
#pragma once

#include <cstdint>

struct lua_State;

namespace HC {

class LayoutScriptFunctions {
public:
  static void registerAll(lua_State* state);
  // The parameter index at argument index, resolved as above.
  static int32_t checkParameter(lua_State* state, int index);
};

}  // namespace HC
