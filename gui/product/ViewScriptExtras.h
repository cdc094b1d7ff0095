// The product's own layout-script functions and object types, beside the framework's:
// infoDisplay, levelMeters, textField, setBackgroundTexture and knobRenderer, the
// "HCgui.LevelMeters" type with its method add, and the "HCgui.KnobRenderer" type.
//
// Like the framework's functions that build the layout, these work only while createUI runs
// (the render thread reads the effects and elements they make without a lock), and objects
// kept from an earlier opening are refused instead of being dereferenced.
//
// Threads: the editor's user-interface thread, inside the layout state.
#pragma once

#include <cstdint>

struct lua_State;

namespace HC {

class TexturedKnobRenderer;

class ViewScriptExtras {
 public:
  static constexpr const char* kLevelMetersType = "HCgui.LevelMeters";
  static constexpr const char* kKnobRendererType = "HCgui.KnobRenderer";

  // The five globals and the two metatables.
  static void registerAll(lua_State* state);

  // The slot of the 40-byte meter block (as uint32_t words) that a meter of kind ("peak" or
  // "envelope") shows for channel (0 or 1); -1 for another kind or channel.
  static int meterSlot(const char* kind, int64_t channel);

  // The script global "theKnobRenderer" when it holds a renderer of this opening; else the
  // script error "couldn't get theKnobRenderer".
  static TexturedKnobRenderer* checkKnobRenderer(lua_State* state);
};

}  // namespace HC
