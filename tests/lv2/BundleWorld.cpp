#include "lv2/BundleWorld.h"

namespace lv2test {

BundleWorld::BundleWorld(const std::string& folder) : owned(lilv_world_new()) {
  for (const char* vocabulary : {"core.lv2", "units.lv2"})
    loadBundle(std::string(QUORVELLA_LV2_SPEC_DIR) + "/" + vocabulary);
  lilv_world_load_specifications(world());
  lilv_world_load_plugin_classes(world());
  loadBundle(folder);
}

void BundleWorld::loadBundle(const std::string& folder) {
  std::string withSlash = folder.back() == '/' ? folder : folder + "/";
  NodeOwner bundle(lilv_new_file_uri(world(), nullptr, withSlash.c_str()));
  lilv_world_load_bundle(world(), bundle.get());
}

const LilvPlugin* BundleWorld::plugin(const char* uriText) const {
  NodeOwner node = uri(uriText);
  return lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world()), node.get());
}

NodeOwner BundleWorld::uri(const std::string& text) const {
  return NodeOwner(lilv_new_uri(world(), text.c_str()));
}

std::string BundleWorld::path(const LilvNode* fileUri) {
  if (!fileUri || !lilv_node_is_uri(fileUri)) return "";
  TextOwner local(lilv_file_uri_parse(lilv_node_as_uri(fileUri), nullptr));
  return local ? std::string(local.get()) : std::string();
}

}  // namespace lv2test
