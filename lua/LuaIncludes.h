// The Lua 5.1 C interface of the plug-in's own Lua library (built from Debian's lua5.1
// source into quorvella_lua51, with hidden symbols).
#pragma once

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}
