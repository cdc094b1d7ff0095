// The urid:map feature a host gives plug-ins and lilv's state functions: every URI gets a
// number of its own, from 1, for the map's life.
//
// Threading: one thread; the feature's data points at this object, so it must outlive the
// users it is handed to.
#pragma once

#include <lv2/urid/urid.h>

#include <string>
#include <vector>

namespace lv2test {

class UridMap {
 public:
  UridMap();
  UridMap(const UridMap&) = delete;
  UridMap& operator=(const UridMap&) = delete;

  LV2_URID_Map* feature() { return &map; }
  LV2_URID urid(const char* uri);

 private:
  static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);

  LV2_URID_Map map;
  std::vector<std::string> uris;  // URID n is uris[n - 1]
};

}  // namespace lv2test
