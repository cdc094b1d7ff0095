// The plug-in of the editor tests: the real effect with the test layout as its editor.
#include "effect/HvcQuorvella.h"
#include "host/PluginEntry.h"
#include "tests/gui/editor/TestEditor.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  auto* effect = new HvcQuorvella(audioMaster);
  new editortest::TestEditor(effect);  // the effect owns its editor
  return effect;
}
