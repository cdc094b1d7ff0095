# oscpack for the plug-in, built from Debian's oscpack source package.
#
# Like the plug-in's Lua, the OSC library is compiled into the plug-in with hidden symbols
# instead of linking the shared liboscpack: a host that carries its own oscpack cannot
# interpose on ours, the plug-in needs no extra library at run time, and the sanitizer
# builds instrument the packet parser that faces the network.
#
# The source comes from `apt-get source oscpack` (the deb-src entry is added by
# tools/install-deps.sh), unpacked once into the per-user cache shared by all build
# folders: $XDG_CACHE_HOME/quorvella (default ~/.cache/quorvella).
# -DQUORVELLA_OSCPACK_SOURCE_DIR=<unpacked oscpack-1.1.x> uses another copy instead.
#
# Headers are included as <oscpack/osc/...> and <oscpack/ip/...>, as Debian installs them.

set(QUORVELLA_OSCPACK_SOURCE_DIR "" CACHE PATH
    "Unpacked Debian oscpack source package; empty: fetch it with apt-get source")

function(quorvella_find_oscpack cacheDir result)
  file(GLOB found LIST_DIRECTORIES true "${cacheDir}/oscpack/oscpack-*/osc/OscTypes.h")
  if(found)
    list(SORT found)
    list(GET found -1 header)
    get_filename_component(dir "${header}" DIRECTORY)
    get_filename_component(root "${dir}" DIRECTORY)
    set(${result} "${root}" PARENT_SCOPE)
  else()
    set(${result} "" PARENT_SCOPE)
  endif()
endfunction()

if(QUORVELLA_OSCPACK_SOURCE_DIR)
  set(oscpackRoot "${QUORVELLA_OSCPACK_SOURCE_DIR}")
else()
  if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(depsCache "$ENV{XDG_CACHE_HOME}/quorvella")
  elseif(NOT "$ENV{HOME}" STREQUAL "")
    set(depsCache "$ENV{HOME}/.cache/quorvella")
  else()
    set(depsCache "${CMAKE_BINARY_DIR}/_deps")
  endif()
  quorvella_find_oscpack("${depsCache}" oscpackRoot)
  if(NOT oscpackRoot)
    # Several build folders may be configured at once: one fetches, the others wait.
    file(MAKE_DIRECTORY "${depsCache}")
    file(LOCK "${depsCache}/oscpack.lock" GUARD FILE TIMEOUT 900 RESULT_VARIABLE lockResult)
    quorvella_find_oscpack("${depsCache}" oscpackRoot)
    if(NOT oscpackRoot)
      message(STATUS "Fetching the Debian oscpack source package into ${depsCache}")
      set(partial "${depsCache}/oscpack.partial")
      file(REMOVE_RECURSE "${partial}")
      file(MAKE_DIRECTORY "${partial}")
      execute_process(COMMAND apt-get source -qq oscpack
                      WORKING_DIRECTORY "${partial}"
                      RESULT_VARIABLE fetchResult OUTPUT_VARIABLE fetchOutput ERROR_VARIABLE fetchOutput)
      if(NOT fetchResult EQUAL 0)
        message(FATAL_ERROR "apt-get source oscpack failed (run tools/install-deps.sh first, "
                            "it adds the deb-src entry):\n${fetchOutput}")
      endif()
      file(REMOVE_RECURSE "${depsCache}/oscpack")
      file(RENAME "${partial}" "${depsCache}/oscpack")
      quorvella_find_oscpack("${depsCache}" oscpackRoot)
    endif()
    file(LOCK "${depsCache}/oscpack.lock" RELEASE)
  endif()
endif()
if(NOT EXISTS "${oscpackRoot}/osc/OscReceivedElements.cpp" OR NOT EXISTS "${oscpackRoot}/ip/posix/UdpSocket.cpp")
  message(FATAL_ERROR "No oscpack source found (looked for ${oscpackRoot}/osc/OscReceivedElements.cpp)")
endif()
message(STATUS "oscpack source: ${oscpackRoot}")

add_library(quorvella_oscpack STATIC
  "${oscpackRoot}/osc/OscTypes.cpp"
  "${oscpackRoot}/osc/OscReceivedElements.cpp"
  "${oscpackRoot}/osc/OscOutboundPacketStream.cpp"
  "${oscpackRoot}/ip/IpEndpointName.cpp"
  "${oscpackRoot}/ip/posix/NetworkingUtils.cpp"
  "${oscpackRoot}/ip/posix/UdpSocket.cpp")
set_target_properties(quorvella_oscpack PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
if(CMAKE_CXX_BYTE_ORDER STREQUAL "BIG_ENDIAN")
  target_compile_definitions(quorvella_oscpack PUBLIC OSC_HOST_BIG_ENDIAN)
else()
  target_compile_definitions(quorvella_oscpack PUBLIC OSC_HOST_LITTLE_ENDIAN)
endif()
# Third-party code as Debian ships it: its warnings are not ours to fix.
target_compile_options(quorvella_oscpack PRIVATE -w)
# The receive loop's break flag is a plain volatile that another thread sets (oscpack's
# documented asynchronous break); the thread sanitizer would report that by design, so the
# library is left uninstrumented in that build. Our own code around it is instrumented.
if(QUORVELLA_SANITIZE STREQUAL "thread")
  target_compile_options(quorvella_oscpack PRIVATE -fno-sanitize=thread)
endif()
# <oscpack/osc/...> and <oscpack/ip/...> resolve into the source tree through a link.
set(oscpackInclude "${CMAKE_CURRENT_BINARY_DIR}/oscpack-include")
file(MAKE_DIRECTORY "${oscpackInclude}")
file(CREATE_LINK "${oscpackRoot}" "${oscpackInclude}/oscpack" SYMBOLIC)
target_include_directories(quorvella_oscpack SYSTEM PUBLIC "${oscpackInclude}")
target_include_directories(quorvella_oscpack PRIVATE "${oscpackRoot}")
