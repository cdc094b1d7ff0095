// The editor interface that the dispatcher drives (effEditGetRect .. effSetEditKnobMode).
// Called on the host's user-interface thread only.
#pragma once

#include "faces/vst2/AEffect.h"

class AudioEffect;

class AEffEditor {
public:
  explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
  virtual ~AEffEditor() = default;

  virtual AudioEffect* getEffect() { return effect; }
  // Hands out the editor's window rectangle; the pointer stays valid while the editor lives.
  virtual bool getRect(ERect** rect) {
    *rect = nullptr;
    return false;
  }
  // Stores the parent window handle; the concrete editor creates its window here.
  virtual bool open(void* ptr) {
    systemWindow = ptr;
    return false;
  }
  virtual void close() { systemWindow = nullptr; }
  virtual bool isOpen() { return systemWindow != nullptr; }
  virtual void idle() {}
  virtual bool onKeyDown(VstKeyCode&) { return false; }
  virtual bool onKeyUp(VstKeyCode&) { return false; }
  virtual bool onWheel(float) { return false; }
  virtual bool setKnobMode(int32_t) { return false; }

protected:
  AudioEffect* effect;
  void* systemWindow = nullptr;
};
