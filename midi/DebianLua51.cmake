# Lua 5.1 for the plug-in, built from Debian's lua5.1 source package.
#
# Hosts may carry a Lua of their own in the global symbol scope (Ardour exports Lua 5.3
# under the same lua_* names). A plug-in that linked the shared liblua5.1 would then call
# the host's Lua and crash, and Debian's static liblua5.1.a is not position-independent.
# So the Lua core and libraries are compiled here into a static, position-independent
# library whose symbols are all hidden: the plug-in's Lua is its own.
#
# The source comes from `apt-get source lua5.1` (Debian's patches applied on unpacking; the
# deb-src entry is added by tools/install-deps.sh), unpacked once into a per-user cache
# shared by all build folders: $XDG_CACHE_HOME/quorvella (default ~/.cache/quorvella).
# -DQUORVELLA_LUA51_SOURCE_DIR=<unpacked lua5.1-5.1.x> uses another copy instead.

set(QUORVELLA_LUA51_SOURCE_DIR "" CACHE PATH
    "Unpacked Debian lua5.1 source package; empty: fetch it with apt-get source")

function(quorvella_find_lua51 cacheDir result)
  file(GLOB found LIST_DIRECTORIES true "${cacheDir}/lua5.1/lua5.1-*/src/lua.h")
  if(found)
    list(SORT found)
    list(GET found -1 header)
    get_filename_component(src "${header}" DIRECTORY)
    get_filename_component(root "${src}" DIRECTORY)
    set(${result} "${root}" PARENT_SCOPE)
  else()
    set(${result} "" PARENT_SCOPE)
  endif()
endfunction()

if(QUORVELLA_LUA51_SOURCE_DIR)
  set(luaRoot "${QUORVELLA_LUA51_SOURCE_DIR}")
else()
  if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(depsCache "$ENV{XDG_CACHE_HOME}/quorvella")
  elseif(NOT "$ENV{HOME}" STREQUAL "")
    set(depsCache "$ENV{HOME}/.cache/quorvella")
  else()
    set(depsCache "${CMAKE_BINARY_DIR}/_deps")
  endif()
  quorvella_find_lua51("${depsCache}" luaRoot)
  if(NOT luaRoot)
    # Several build folders may be configured at once: one fetches, the others wait.
    file(MAKE_DIRECTORY "${depsCache}")
    file(LOCK "${depsCache}/lua5.1.lock" GUARD FILE TIMEOUT 900 RESULT_VARIABLE lockResult)
    quorvella_find_lua51("${depsCache}" luaRoot)
    if(NOT luaRoot)
      message(STATUS "Fetching the Debian lua5.1 source package into ${depsCache}")
      set(partial "${depsCache}/lua5.1.partial")
      file(REMOVE_RECURSE "${partial}")
      file(MAKE_DIRECTORY "${partial}")
      execute_process(COMMAND apt-get source -qq lua5.1
                      WORKING_DIRECTORY "${partial}"
                      RESULT_VARIABLE fetchResult OUTPUT_VARIABLE fetchOutput ERROR_VARIABLE fetchOutput)
      if(NOT fetchResult EQUAL 0)
        message(FATAL_ERROR "apt-get source lua5.1 failed (run tools/install-deps.sh first, "
                            "it adds the deb-src entry):\n${fetchOutput}")
      endif()
      file(REMOVE_RECURSE "${depsCache}/lua5.1")
      file(RENAME "${partial}" "${depsCache}/lua5.1")
      quorvella_find_lua51("${depsCache}" luaRoot)
    endif()
    file(LOCK "${depsCache}/lua5.1.lock" RELEASE)
  endif()
endif()
if(NOT EXISTS "${luaRoot}/src/lua.h" OR NOT EXISTS "${luaRoot}/src/lapi.c")
  message(FATAL_ERROR "No Lua 5.1 source found (looked for ${luaRoot}/src/lapi.c)")
endif()
message(STATUS "Lua 5.1 source: ${luaRoot}")

# The core and the standard libraries; the interpreter, compiler and listing (lua.c,
# luac.c, print.c) are not part of the library.
set(luaSources)
foreach(name lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes lparser lstate
             lstring ltable ltm lundump lvm lzio
             lauxlib lbaselib ldblib liolib lmathlib loslib ltablib lstrlib loadlib linit)
  list(APPEND luaSources "${luaRoot}/src/${name}.c")
endforeach()

add_library(quorvella_lua51 STATIC ${luaSources})
set_target_properties(quorvella_lua51 PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  C_VISIBILITY_PRESET hidden)
# POSIX features (popen, mkstemp, isatty) but no loading of binary modules: a C module
# built for a system Lua would bind to whatever lua_* symbols the host exports.
target_compile_definitions(quorvella_lua51 PRIVATE LUA_USE_POSIX)
# Third-party code as Debian ships it: its warnings are not ours to fix.
target_compile_options(quorvella_lua51 PRIVATE -w)
# Debian's luaconf.h names the multiarch folder of binary modules through a header that its
# own build generates.
set(multiarch "${CMAKE_LIBRARY_ARCHITECTURE}")
if(NOT multiarch)
  set(multiarch "${CMAKE_SYSTEM_PROCESSOR}-linux-gnu")
endif()
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/lua51/lua5.1-deb-multiarch.h"
     CONTENT "#define DEB_HOST_MULTIARCH \"${multiarch}\"\n")
target_include_directories(quorvella_lua51 SYSTEM PUBLIC "${luaRoot}/src"
                           "${CMAKE_CURRENT_BINARY_DIR}/lua51")
target_link_libraries(quorvella_lua51 PUBLIC m)
