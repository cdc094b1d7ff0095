// The framework's editor base, as every face sees the product's editor: a window of its own
// inside a window the host gives, shown between open and close. The VST 2.4 face wraps it
// in the editor interface its dispatcher drives; other faces call it directly. The base
// shows nothing; concrete editors (HC::Editor and the product view) derive from it.
//
// Threads: everything on the host's user-interface thread.
#pragma once

#include <cstdint>

class HvcAuBase;

// The editor window's rectangle in pixels.
struct EditorRect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

class HvcEditor {
public:
  explicit HvcEditor(HvcAuBase* effect) : effect(effect) {}
  virtual ~HvcEditor() = default;
  HvcEditor(const HvcEditor&) = delete;
  HvcEditor& operator=(const HvcEditor&) = delete;

  HvcAuBase* getEffect() const { return effect; }
  // Hands out the window's rectangle; the pointer stays valid while the editor lives.
  virtual bool getRect(EditorRect** rect) {
    *rect = nullptr;
    return false;
  }
  // parent: the host's window (an X11 Window id on Linux, an HWND on Windows). The base
  // stores it; a concrete editor creates its window in it here.
  virtual bool open(void* parent) {
    systemWindow = parent;
    return false;
  }
  virtual void close() { systemWindow = nullptr; }
  virtual bool isOpen() { return systemWindow != nullptr; }
  // The host's regular call while the editor is open.
  virtual void idle() {}

protected:
  HvcAuBase* effect;
  void* systemWindow = nullptr;
};
