// The UI binary's one export: lv2ui_descriptor, Quorvella's editor as an X11 UI of its LV2
// plug-in, with the idle interface as extension data.
#include <lv2/ui/ui.h>

#include <cstring>

#include "faces/lv2/LV2UI.h"
#include "faces/lv2/LV2Uris.h"
#include "gui/product/HvcQuorvellaView.h"

namespace {

using lv2face::LV2UI;

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (!pluginUri || std::strcmp(pluginUri, lv2face::kPluginUri) != 0) return nullptr;
  LV2UI* ui = LV2UI::create(write, controller, features, &HvcQuorvellaView::create);
  if (ui && widget) *widget = ui->widget();
  return ui;
}

void cleanup(LV2UI_Handle handle) { delete static_cast<LV2UI*>(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format,
               const void* buffer) {
  if (handle) static_cast<LV2UI*>(handle)->portEvent(port, bufferSize, format, buffer);
}

int idle(LV2UI_Handle handle) { return handle ? static_cast<LV2UI*>(handle)->idle() : 1; }

const LV2UI_Idle_Interface idleInterface = {idle};

const void* extensionData(const char* uri) {
  if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
  return nullptr;
}

const LV2UI_Descriptor descriptor = {lv2face::kUiUri, instantiate, cleanup, portEvent,
                                     extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
