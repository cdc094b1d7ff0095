// The LV2 face's user interface: the product's own editor, embedded in the window the host
// gives (ui:parent) and pumped by the host's idle calls (ui:idleInterface). It reaches its
// plug-in instance through instance-access: the editor is the product's (made here by the
// editor factory, owned by the product while the UI lives) and reads meters and script
// state from it directly.
//
// Edits travel as the host expects of an LV2 UI: the product's begin/automate/end for an
// editor control come here (LV2EditSink) and leave as ui:touch grab, a port write of the
// plain value on the parameter's port, and ui:touch release. Port values from the host
// move the controls as a host's setParameter does, unless the plug-in already applied that
// value (then the controls were told, and a value the scripts set since stays shown).
//
// Threading: everything on the host's UI thread.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>

#include "faces/lv2/LV2EditSink.h"
#include "framework/EditorFactory.h"

class HvcAuBase;
class HvcEditor;

namespace lv2face {

class LV2InstanceLink;

class LV2UI final : public LV2EditSink {
 public:
  // Null, with nothing shown, when the host lacks ui:parent or instance-access, the
  // instance already shows its editor in another UI, or the editor cannot open.
  static LV2UI* create(LV2UI_Write_Function write, LV2UI_Controller controller,
                       const LV2_Feature* const* features, EditorFactory makeEditor);
  ~LV2UI();
  LV2UI(const LV2UI&) = delete;
  LV2UI& operator=(const LV2UI&) = delete;

  // The editor's window, the UI's widget.
  LV2UI_Widget widget() const;
  int width() const { return shownWidth; }
  int height() const { return shownHeight; }

  void portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
  // The host's idle call: the editor handles its window's input and the parameter changes
  // queued for its controls. 0 while shown, 1 once the editor has closed.
  int idle();

  // --- LV2EditSink -------------------------------------------------------------------------
  void beginEdit(int32_t index) override;
  void edited(int32_t index, float plainValue) override;
  void endEdit(int32_t index) override;

 private:
  LV2UI(LV2UI_Write_Function write, LV2UI_Controller controller, LV2InstanceLink& link,
        const LV2UI_Touch* touch);
  bool open(void* parent, EditorFactory makeEditor, const LV2UI_Resize* resize);

  LV2UI_Write_Function write;
  LV2UI_Controller controller;
  LV2InstanceLink& link;
  HvcAuBase& effect;
  const LV2UI_Touch* touch;
  HvcEditor* editor = nullptr;  // the product's while the UI lives
  bool attached = false;
  int shownWidth = 0;
  int shownHeight = 0;
};

}  // namespace lv2face
