// The plug-in's product: Quorvella with its own view as the editor.
#include "faces/vst2/PluginEntry.h"
#include "faces/vst2/QuorvellaVst2.h"
#include "gui/product/HvcQuorvellaView.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  return createQuorvellaVst2(audioMaster, &HvcQuorvellaView::create);
}
