#include "faces/vst2/QuorvellaVst2.h"

#include "effect/HvcQuorvella.h"

Vst2Effect* createQuorvellaVst2(audioMasterCallback audioMaster, EditorFactory editorFactory) {
  auto* effect = new Vst2Effect(audioMaster, [editorFactory](HostInterface& host) -> HvcAuBase* {
    return new HvcQuorvella(&host, editorFactory);
  });
  effect->canMono(true);
  effect->setNumInputs(HvcQuorvella::kNumInputs);
  effect->setNumOutputs(HvcQuorvella::kNumOutputs);
  effect->setUniqueID(fourCharCode('H', 'C', 'w', 'b'));
  return effect;
}
