// The plug-in of the scripted-layout tests: the real effect with a ScriptedEditor whose
// built-in layout is the script below (a 320 x 200 window, one titled group holding a knob,
// and a script button that sets "Dry Level" to 1). A "Skin" preference still replaces it.
#include "effect/HvcQuorvella.h"
#include "gui/ScriptedEditor.h"
#include "host/PluginEntry.h"
#include "tests/gui/scripted/ScriptedLayout.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  auto* effect = new HvcQuorvella(audioMaster);
  auto* editor = new HC::ScriptedEditor(effect, scriptedtest::kLayout);  // the effect owns it
  editor->prepareLayout();
  return effect;
}
