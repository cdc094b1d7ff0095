// The plug-in of the scripted-layout tests: the real effect with a ScriptedEditor whose
// built-in layout is the script below (a 320 x 200 window, one titled group holding a knob,
// and a script button that sets "Dry Level" to 1). A "Skin" preference still replaces it.
#include "faces/vst2/PluginEntry.h"
#include "faces/vst2/QuorvellaVst2.h"
#include "gui/editor/ScriptedEditor.h"
#include "tests/gui/scripted/ScriptedLayout.h"

namespace {
HvcEditor* createScriptedEditor(HvcAuBase& effect) {
  auto* editor = new HC::ScriptedEditor(&effect, scriptedtest::kLayout);
  editor->prepareLayout();
  return editor;
}
}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  return createQuorvellaVst2(audioMaster, &createScriptedEditor);
}
