// The plug-in of the editor tests: the real effect with the test layout as its editor.
#include "faces/vst2/PluginEntry.h"
#include "faces/vst2/QuorvellaVst2.h"
#include "tests/gui/editor/TestEditor.h"

namespace {
HvcEditor* createTestEditor(HvcAuBase& effect) { return new editortest::TestEditor(&effect); }
}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  return createQuorvellaVst2(audioMaster, &createTestEditor);
}
