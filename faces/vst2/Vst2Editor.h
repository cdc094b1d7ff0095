// The product's editor as the VST 2.4 dispatcher drives it (effEditGetRect .. effEditIdle):
// each call goes to the editor the product has at that moment. Keys, the wheel and the
// knob mode keep AEffEditor's answer (not handled).
//
// Threads: the host's user-interface thread only, as every editor call.
#pragma once

#include "faces/vst2/AEffEditor.h"

class HvcEditor;
class Vst2Effect;

class Vst2Editor : public AEffEditor {
public:
  explicit Vst2Editor(Vst2Effect* effect);

  // The rectangle handed out stays valid while the face lives; each call refreshes it.
  bool getRect(ERect** rect) override;
  bool open(void* parent) override;
  void close() override;
  bool isOpen() override;
  void idle() override;

private:
  HvcEditor* productEditor() const;

  ERect rect{0, 0, 0, 0};
};
