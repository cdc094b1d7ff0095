// Read-only data built into the library: scripts and images, found by type and number.
// On Windows they are resources of our own module (the plug-in's DLL, or a test program),
// compiled from the list in platform/CMakeLists.txt; a program that uses them links the
// CMake target quorvella_resources. On Linux they are compiled into the library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

enum : int32_t {
  kResourceTypeScript = 256,  // Lua scripts
  kResourceTypeImage = 257,   // PNG images
};

struct Resource {
  const unsigned char* data = nullptr;  // followed by one zero byte not counted in size
  size_t size = 0;
};

// The built-in resource of that type and id; false (and out unchanged) when there is none.
bool findResource(int32_t type, int32_t id, Resource& out);

}  // namespace platform
