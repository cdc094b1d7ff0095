#include "platform/Resources.h"

#include "platform/posix/EmbeddedResources.h"

namespace platform {

bool findResource(int32_t type, int32_t id, Resource& out) {
  for (size_t i = 0; i < kNumEmbeddedResources; ++i) {
    const EmbeddedResource& entry = kEmbeddedResources[i];
    if (entry.type == type && entry.id == id) {
      out.data = entry.data;
      out.size = entry.size;
      return true;
    }
  }
  return false;
}

}  // namespace platform
