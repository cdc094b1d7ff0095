// A lilv world holding one bundle as a host sees it, with the LV2 vocabularies the checks
// read (core for the plug-in classes, units for the units' symbols) loaded from the
// system's LV2 folder. Nothing else: bundles installed on the machine (an earlier
// `make install` among them) cannot stand in for the one under test.
//
// Threading: one thread, as lilv.
#pragma once

#include <string>

#include "lv2/LilvOwners.h"

namespace lv2test {

class BundleWorld {
 public:
  // folder: the bundle's folder, with or without a trailing '/'.
  explicit BundleWorld(const std::string& folder);

  LilvWorld* world() const { return owned.get(); }
  // The plug-in with this URI, or null.
  const LilvPlugin* plugin(const char* uri) const;
  NodeOwner uri(const std::string& text) const;
  // The local path of a file URI node, or "" for any other node.
  static std::string path(const LilvNode* fileUri);

 private:
  void loadBundle(const std::string& folder);

  WorldOwner owned;
};

}  // namespace lv2test
