#include "gui/text/BuiltInImages.h"

#include <map>
#include <mutex>

#include "gui/text/PNGImage.h"
#include "platform/Resources.h"

namespace HC {

namespace {

struct Table {
  std::mutex lock;
  // By the resource's bytes: the same image whichever id reaches it.
  std::map<const unsigned char*, std::shared_ptr<const PNGImage>> images;
};

// Never destroyed: a render thread may still upload while the library's static objects go.
Table& table() {
  static Table* shared = new Table;
  return *shared;
}

}  // namespace

std::shared_ptr<const PNGImage> BuiltInImages::decoded(uint16_t resourceId, bool& exists) {
  platform::Resource resource;
  exists = platform::findResource(platform::kResourceTypeImage, resourceId, resource);
  if (!exists) return nullptr;
  Table& t = table();
  {
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.images.find(resource.data);
    if (found != t.images.end()) return found->second;
  }
  // Decoded outside the lock: two threads may both decode the first time, and the first
  // to publish wins; the results are the same.
  auto image = std::make_shared<PNGImage>();
  std::shared_ptr<const PNGImage> result;
  if (image->decode(resource.data, resource.size)) result = image;
  std::lock_guard<std::mutex> guard(t.lock);
  return t.images.emplace(resource.data, result).first->second;
}

}  // namespace HC
