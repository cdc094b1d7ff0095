#include "lv2/UridMap.h"

namespace lv2test {

UridMap::UridMap() : map{this, &UridMap::mapUri} {}

LV2_URID UridMap::urid(const char* uri) {
  for (size_t i = 0; i < uris.size(); ++i)
    if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
  uris.emplace_back(uri);
  return static_cast<LV2_URID>(uris.size());
}

LV2_URID UridMap::mapUri(LV2_URID_Map_Handle handle, const char* uri) {
  return static_cast<UridMap*>(handle)->urid(uri);
}

}  // namespace lv2test
