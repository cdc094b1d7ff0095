// The product's editor: names the built-in images and layout, makes the product manager
// (ALmanager) at every opening, offers the layout script a "Prefs" button and the product's
// own functions (ViewScriptExtras), and makes the product's knobs and buttons for it.
//
// The effect creates it through create(), its editor factory, at the end of its
// construction and owns it; construction sets up the layout script and learns the window
// size the host asks for before the first opening.
//
// Threads: as HC::Editor (construction, openings, script calls and the Prefs button on the
// host's user-interface thread).
#pragma once

#include <cstdint>

#include "gui/editor/Editor.h"

class HvcQuorvellaView : public HC::Editor {
 public:
  // Ids of the built-in resources.
  static constexpr uint16_t kButtonsImage = 120;
  static constexpr uint16_t kBackgroundImage = 121;
  static constexpr uint16_t kButtonsNormalMap = 122;
  static constexpr uint16_t kBackgroundNormalMap = 123;
  static constexpr uint16_t kLayoutScript = 135;
  // The Prefs button's id (its banner text is "Prefs"); script buttons get ids below it.
  static constexpr int32_t kPrefsButtonId = -2;

  explicit HvcQuorvellaView(HvcAuBase* effect);
  ~HvcQuorvellaView() override;

  // The product's editor factory (EditorFactory): a view of effect.
  static HvcEditor* create(HvcAuBase& effect);

  void buildInterface(float, float) override;
  void registerScriptExtras(lua_State* state) override;

  // Knobs are drawn by the script's global theKnobRenderer ("couldn't get theKnobRenderer"
  // when it holds none of this opening).
  HC::UIElement* makeKnob(lua_State* state, int32_t index, const char* label, float x, float y,
                          float size) override;
  HC::UIElement* makeSlider(lua_State* state, int argumentCount, int32_t index, float x, float y,
                            float width, float height, bool horizontal) override;
  HC::UIElement* makeButton(lua_State* state, int argumentCount, const char* label,
                            HC::Button::Callback callback, intptr_t callbackData, float x, float y,
                            float width, float height, int32_t id) override;

  // The Prefs button's callback; data is the view.
  static void prefsButtonPressed(HC::Button* button, intptr_t data);
  // Where the Prefs button leads: the About and Preferences dialog, modal over ownerWindow,
  // once the product has one. Until then the button opens nothing.
  void openPreferences(uintptr_t ownerWindow);
};
