#include "faces/lv2/LV2UI.h"

#include <lv2/instance-access/instance-access.h>

#include <cstring>

#include "faces/lv2/LV2ControlValue.h"
#include "faces/lv2/LV2InstanceLink.h"
#include "faces/lv2/LV2Ports.h"
#include "framework/HvcAuBase.h"
#include "framework/HvcEditor.h"
#include "framework/ParameterListenerTable.h"

namespace lv2face {

namespace {

const LV2_Feature* feature(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (const LV2_Feature* const* f = features; *f; ++f)
    if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0) return *f;
  return nullptr;
}

const void* featureData(const LV2_Feature* const* features, const char* uri) {
  const LV2_Feature* found = feature(features, uri);
  return found ? found->data : nullptr;
}

}  // namespace

LV2UI* LV2UI::create(LV2UI_Write_Function write, LV2UI_Controller controller,
                     const LV2_Feature* const* features, EditorFactory makeEditor) {
  void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
  auto* link = static_cast<LV2InstanceLink*>(
      const_cast<void*>(featureData(features, LV2_INSTANCE_ACCESS_URI)));
  if (!parent || !link || !makeEditor) return nullptr;
  const auto* touch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
  if (touch && !touch->touch) touch = nullptr;
  const auto* resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
  if (resize && !resize->ui_resize) resize = nullptr;

  auto* ui = new LV2UI(write, controller, *link, touch);
  if (!ui->open(parent, makeEditor, resize)) {
    delete ui;
    return nullptr;
  }
  return ui;
}

LV2UI::LV2UI(LV2UI_Write_Function write, LV2UI_Controller controller, LV2InstanceLink& link,
             const LV2UI_Touch* touch)
    : write(write), controller(controller), link(link), effect(link.product()), touch(touch) {}

bool LV2UI::open(void* parent, EditorFactory makeEditor, const LV2UI_Resize* resize) {
  // The product has one editor at a time: a second UI of the same instance stays closed.
  if (effect.getEditor() || !link.attachUI(this)) return false;
  attached = true;
  editor = makeEditor(effect);
  if (!editor) return false;
  effect.setEditor(editor);
  EditorRect* rect = nullptr;
  editor->getRect(&rect);
  if (rect) {
    shownWidth = rect->right - rect->left;
    shownHeight = rect->bottom - rect->top;
  }
  editor->open(parent);
  if (!editor->isOpen() || !editor->windowHandle()) return false;
  if (resize) resize->ui_resize(resize->handle, shownWidth, shownHeight);
  return true;
}

LV2UI::~LV2UI() {
  // The editor's code is this binary's: it goes before the host may unload it, and before
  // the instance could be cleaned up.
  if (editor) effect.setEditor(nullptr);
  if (attached) link.detachUI(this);
}

LV2UI_Widget LV2UI::widget() const {
  return reinterpret_cast<LV2UI_Widget>(editor ? editor->windowHandle() : 0);
}

void LV2UI::portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
  const int32_t index = portParameter(port);
  if (index < 0 || format != 0 || bufferSize != sizeof(float) || !buffer ||
      !effect.isValidParameter(index))
    return;
  float value;
  std::memcpy(&value, buffer, sizeof value);
  // Already applied by the plug-in, which told the controls then; hosts also send every
  // port's value when a UI opens, and those must not hide what scripts have set since.
  if (value == link.appliedPortValue(port)) return;
  float plain;
  if (controlPlainValue(effect.descriptor(index), value, plain))
    effect.parameterListeners().parameterChanged(index, plain);
}

int LV2UI::idle() {
  if (!editor || !editor->isOpen()) return 1;
  editor->idle();
  return editor->isOpen() ? 0 : 1;
}

void LV2UI::beginEdit(int32_t index) {
  if (touch) touch->touch(touch->handle, parameterPort(index), true);
}

void LV2UI::edited(int32_t index, float plainValue) {
  if (write) write(controller, parameterPort(index), sizeof(float), 0, &plainValue);
}

void LV2UI::endEdit(int32_t index) {
  if (touch) touch->touch(touch->handle, parameterPort(index), false);
}

}  // namespace lv2face
