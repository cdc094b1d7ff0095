# oscpack for the plug-in, built from Debian's oscpack source package.
#
# Like the plug-in's Lua, the OSC library is compiled into the plug-in with hidden symbols
# instead of linking the shared liboscpack: a host that carries its own oscpack cannot
# interpose on ours, the plug-in needs no extra library at run time, and the sanitizer
# builds instrument the packet parser that faces the network.
#
# The source comes from Debian's oscpack source package (cmake/DebianSource.cmake);
# -DQUORVELLA_OSCPACK_SOURCE_DIR=<unpacked oscpack-1.1.x> uses another copy instead.
#
# Headers are included as <oscpack/osc/...> and <oscpack/ip/...>, as Debian installs them.

include(${CMAKE_SOURCE_DIR}/cmake/DebianSource.cmake)
quorvella_debian_source(oscpack ip/posix/UdpSocket.cpp QUORVELLA_OSCPACK_SOURCE_DIR oscpackRoot)

# oscpack 1.1.0 declares its 64-bit integers as long on every x86-64, but long has 32 bits
# on 64-bit Windows: for Windows the source is copied into the build tree with that fixed
# (osc/oscpack-llp64.patch); the cached source stays as Debian ships it.
if(WIN32)
  set(oscpackCopy "${CMAKE_CURRENT_BINARY_DIR}/oscpack-src")
  quorvella_patched_copy("${oscpackRoot}" "${CMAKE_CURRENT_SOURCE_DIR}/oscpack-llp64.patch"
                         "${oscpackCopy}")
  set(oscpackRoot "${oscpackCopy}")
  set(oscpackSystem win32)
else()
  set(oscpackSystem posix)
endif()

add_library(quorvella_oscpack STATIC
  "${oscpackRoot}/osc/OscTypes.cpp"
  "${oscpackRoot}/osc/OscReceivedElements.cpp"
  "${oscpackRoot}/osc/OscOutboundPacketStream.cpp"
  "${oscpackRoot}/ip/IpEndpointName.cpp"
  "${oscpackRoot}/ip/${oscpackSystem}/NetworkingUtils.cpp"
  "${oscpackRoot}/ip/${oscpackSystem}/UdpSocket.cpp")
if(WIN32)
  target_link_libraries(quorvella_oscpack PUBLIC ws2_32 winmm)
endif()
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
