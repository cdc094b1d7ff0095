#include "lv2/LV2UIHost.h"

#include <dlfcn.h>
#include <lv2/instance-access/instance-access.h>

#include <cstring>

#include "faces/lv2/LV2Uris.h"

namespace lv2test {

LV2UIHost::LV2UIHost(const std::string& path) {
  // Kept loaded to the end, as hosts keep GL UIs: the GL driver it started stays loaded
  // and its threads run on in the binary's code.
  library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!library) {
    const char* text = dlerror();
    loadError = text ? text : "cannot load " + path;
    return;
  }
  auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
  if (!entry) {
    loadError = path + " has no lv2ui_descriptor";
    return;
  }
  for (uint32_t i = 0; const LV2UI_Descriptor* d = entry(i); ++i)
    if (d->URI && std::strcmp(d->URI, lv2face::kUiUri) == 0) descriptor = d;
  if (!descriptor) loadError = path + " does not describe " + lv2face::kUiUri;
}

LV2UIHost::~LV2UIHost() {
  cleanup();
  if (library) dlclose(library);
}

bool LV2UIHost::instantiate(void* instance, uintptr_t parent, const Features& wanted) {
  if (!descriptor || handle) return false;
  resizeFeature = {this, &LV2UIHost::resize};
  touchFeature = {this, &LV2UIHost::touch};
  const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
  const LV2_Feature accessFeature{LV2_INSTANCE_ACCESS_URI, instance};
  const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
  const LV2_Feature resize{LV2_UI__resize, &resizeFeature};
  const LV2_Feature touch{LV2_UI__touch, &touchFeature};
  std::vector<const LV2_Feature*> features;
  if (wanted.parent) features.push_back(&parentFeature);
  if (wanted.instanceAccess) features.push_back(&accessFeature);
  if (wanted.idle) features.push_back(&idleFeature);
  if (wanted.resize) features.push_back(&resize);
  if (wanted.touch) features.push_back(&touch);
  features.push_back(nullptr);
  shownWidget = nullptr;
  handle = descriptor->instantiate(descriptor, lv2face::kPluginUri, "", &LV2UIHost::write, this,
                                   &shownWidget, features.data());
  idleInterface = nullptr;
  if (handle && wanted.idle && descriptor->extension_data)
    idleInterface = static_cast<const LV2UI_Idle_Interface*>(
        descriptor->extension_data(LV2_UI__idleInterface));
  return handle != nullptr;
}

void LV2UIHost::cleanup() {
  if (handle) descriptor->cleanup(handle);
  handle = nullptr;
  shownWidget = nullptr;
}

int LV2UIHost::idle() {
  if (!handle || !idleInterface) return -1;
  return idleInterface->idle(handle);
}

void LV2UIHost::portEvent(uint32_t port, float value) {
  if (handle && descriptor->port_event) descriptor->port_event(handle, port, sizeof value, 0, &value);
}

void LV2UIHost::clearRecords() {
  written.clear();
  touched.clear();
  announced.clear();
}

void LV2UIHost::write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol,
                      const void* buffer) {
  auto* self = static_cast<LV2UIHost*>(const_cast<void*>(controller));
  float value = 0.0f;
  if (size == sizeof value && buffer) std::memcpy(&value, buffer, sizeof value);
  self->written.push_back({port, size, protocol, value});
}

int LV2UIHost::resize(LV2UI_Feature_Handle handle, int width, int height) {
  static_cast<LV2UIHost*>(handle)->announced.emplace_back(width, height);
  return 0;
}

void LV2UIHost::touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
  static_cast<LV2UIHost*>(handle)->touched.push_back({port, grabbed});
}

}  // namespace lv2test
