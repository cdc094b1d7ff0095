# Lua 5.1 for the plug-in, built from Debian's lua5.1 source package.
#
# Hosts may carry a Lua of their own in the global symbol scope (Ardour exports Lua 5.3
# under the same lua_* names). A plug-in that linked the shared liblua5.1 would then call
# the host's Lua and crash, and Debian's static liblua5.1.a is not position-independent.
# So the Lua core and libraries are compiled here into a static, position-independent
# library whose symbols are all hidden: the plug-in's Lua is its own.
#
# The source comes from Debian's lua5.1 source package (cmake/DebianSource.cmake);
# -DQUORVELLA_LUA51_SOURCE_DIR=<unpacked lua5.1-5.1.x> uses another copy instead.

include(${CMAKE_SOURCE_DIR}/cmake/DebianSource.cmake)
quorvella_debian_source(lua5.1 src/lapi.c QUORVELLA_LUA51_SOURCE_DIR luaRoot)

# Our change to Lua, applied to a copy in the build tree (the cached source stays as
# Debian ships it): long work inside one instruction or library call (string comparison,
# pattern matching, string.rep, table.concat, table.sort, unpack) reaches the count hook
# through lua_addwork, and finalizers run with hooks on. Without it a script could keep the
# host's thread inside one call, or inside a __gc metamethod, far beyond any budget.
set(luaSrc "${CMAKE_CURRENT_BINARY_DIR}/lua51-src")
quorvella_patched_copy("${luaRoot}/src" "${CMAKE_CURRENT_SOURCE_DIR}/lua51-work.patch" "${luaSrc}")

# The core and the standard libraries; the interpreter, compiler and listing (lua.c,
# luac.c, print.c) are not part of the library.
set(luaSources)
foreach(name lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes lparser lstate
             lstring ltable ltm lundump lvm lzio
             lauxlib lbaselib ldblib liolib lmathlib loslib ltablib lstrlib loadlib linit)
  list(APPEND luaSources "${luaSrc}/${name}.c")
endforeach()

add_library(quorvella_lua51 STATIC ${luaSources})
set_target_properties(quorvella_lua51 PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  C_VISIBILITY_PRESET hidden)
# POSIX features (popen, mkstemp, isatty) but no loading of binary modules: a C module
# built for a system Lua would bind to whatever lua_* symbols the host exports.
# On Windows the same holds: LUA_ANSI keeps Lua from switching to its Windows flavour,
# whose package library would load DLL modules bound to another copy of Lua.
if(WIN32)
  target_compile_definitions(quorvella_lua51 PRIVATE LUA_ANSI)
else()
  target_compile_definitions(quorvella_lua51 PRIVATE LUA_USE_POSIX)
endif()
# Third-party code as Debian ships it: its warnings are not ours to fix.
target_compile_options(quorvella_lua51 PRIVATE -w)
# Lua's C code counts with int and lets it wrap at the edges (string.rep(s, -2^31),
# unpack(t, -2^31, 2^31 - 1), math.random(-2^31, 2^31 - 1)); its authors build it for
# wrapping arithmetic. Without -fwrapv the optimiser may drop the checks that follow such
# counts (unpack then asks for a stack of billions of slots and crashes), and the
# sanitizer build stops on Lua's code instead of checking ours.
target_compile_options(quorvella_lua51 PRIVATE -fwrapv)
# Lua 5.1 trusts precompiled chunks: a crafted one reads and writes memory at will. Every
# load (loadstring, load, loadfile, dofile, require, our own loading of script files)
# goes through the parser's choice in ldo.c, which sends a chunk starting with ESC to the
# undumper; here it goes to a function that refuses it instead.
target_sources(quorvella_lua51 PRIVATE ${CMAKE_CURRENT_LIST_DIR}/LuaBinaryChunkRefusal.c)
set_source_files_properties("${luaSrc}/ldo.c" PROPERTIES
                            COMPILE_DEFINITIONS "luaU_undump=quorvella_refuse_binary_chunk")
# Debian's luaconf.h names the multiarch folder of binary modules through a header that its
# own build generates.
set(multiarch "${CMAKE_LIBRARY_ARCHITECTURE}")
if(NOT multiarch)
  set(multiarch "${CMAKE_SYSTEM_PROCESSOR}-linux-gnu")
endif()
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/lua51/lua5.1-deb-multiarch.h"
     CONTENT "#define DEB_HOST_MULTIARCH \"${multiarch}\"\n")
target_include_directories(quorvella_lua51 SYSTEM PUBLIC "${luaSrc}"
                           "${CMAKE_CURRENT_BINARY_DIR}/lua51")
target_link_libraries(quorvella_lua51 PUBLIC m)
