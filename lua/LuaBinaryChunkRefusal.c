/* Compiled into the plug-in's Lua, where ldo.c calls it in place of the undumper (see
 * DebianLua51.cmake): a chunk that starts with ESC is refused the way a malformed one is,
 * as a syntax error "<chunk name>: precompiled chunks are not accepted". Lua 5.1 does not
 * verify precompiled code well enough to run it from untrusted scripts. */
#include "ldo.h"
#include "lobject.h"
#include "lua.h"
#include "lzio.h"

Proto* quorvella_refuse_binary_chunk(lua_State* L, ZIO* Z, Mbuffer* buff, const char* name) {
  (void)Z;
  (void)buff;
  /* The chunk name as the undumper gives it in its own errors. */
  if (*name == '@' || *name == '=')
    ++name;
  else if (*name == LUA_SIGNATURE[0])
    name = "binary string";
  luaO_pushfstring(L, "%s: precompiled chunks are not accepted", name);
  luaD_throw(L, LUA_ERRSYNTAX);
  return NULL;
}
