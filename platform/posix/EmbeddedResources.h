// The table of resources that the build embeds into the library (generated from the list
// in platform/CMakeLists.txt by EmbedResources.cmake).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct EmbeddedResource {
  int32_t type;
  int32_t id;
  const char* name;
  const unsigned char* data;
  size_t size;
};

extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kNumEmbeddedResources;

}  // namespace platform
