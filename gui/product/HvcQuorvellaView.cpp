#include "gui/product/HvcQuorvellaView.h"

#include "effect/HvcQuorvella.h"
#include "gui/elements/LumoButton.h"
#include "gui/elements/Manager.h"
#include "gui/product/ALmanager.h"
#include "gui/product/AboutDialog.h"
#include "gui/product/LumoKnob.h"
#include "gui/product/ViewScriptExtras.h"
#include "gui/script/LayoutScript.h"
#include "lua/LuaIncludes.h"

HvcQuorvellaView::HvcQuorvellaView(HvcAuBase* effect) : HC::Editor(effect) {
  auto& ids = resourceIds();
  ids["buttons.png"] = kButtonsImage;
  ids["buttons_n.png"] = kButtonsNormalMap;
  ids["bgtile.png"] = kBackgroundImage;
  ids["bgtile_n.png"] = kBackgroundNormalMap;
  ids["gui.lua"] = kLayoutScript;
  // Hosts ask for the window's size before they open it: the layout decides it.
  if (getLuaState()) {
    int32_t width = 0, height = 0;
    layoutScript()->windowSize(width, height);
    setInitialSize(width, height);
  }
}

HvcQuorvellaView::~HvcQuorvellaView() = default;

HvcEditor* HvcQuorvellaView::create(HvcAuBase& effect) { return new HvcQuorvellaView(&effect); }

void HvcQuorvellaView::buildInterface(float, float) {
  auto* manager = new HC::ALmanager(this, getHvcEffect());
  setManager(manager);
  manager->setButtonText(kPrefsButtonId, "Prefs");
  const HC::LayoutScript::ButtonLookup buttons{{"Prefs", {&prefsButtonPressed, kPrefsButtonId}}};
  if (!getLuaState()) return;
  HC::LayoutScript& script = *layoutScript();
  script.loadFonts(*manager);
  script.applyWindowSize(*manager);
  script.createUI(&buttons);
}

void HvcQuorvellaView::registerScriptExtras(lua_State* state) {
  HC::ViewScriptExtras::registerAll(state);
}

HC::UIElement* HvcQuorvellaView::makeKnob(lua_State* state, int32_t index, const char* label,
                                          float x, float y, float size) {
  HC::TexturedKnobRenderer* renderer = HC::ViewScriptExtras::checkKnobRenderer(state);
  return new HC::LumoKnob(index, getManager(), renderer, label, x, y, size);
}

HC::UIElement* HvcQuorvellaView::makeSlider(lua_State* state, int, int32_t, float, float, float,
                                            float, bool) {
  luaL_error(state, "no slider support");
  return nullptr;
}

HC::UIElement* HvcQuorvellaView::makeButton(lua_State*, int, const char* label,
                                            HC::Button::Callback callback, intptr_t callbackData,
                                            float x, float y, float width, float height,
                                            int32_t id) {
  return new HC::LumoButton(label, getManager(), callback, callbackData, x, y, width, height, id);
}

void HvcQuorvellaView::prefsButtonPressed(HC::Button*, intptr_t data) {
  auto* view = dynamic_cast<HvcQuorvellaView*>(reinterpret_cast<HC::Editor*>(data));
  if (!view || !view->getManager()) return;
  view->openPreferences(view->getManager()->window);
}

void HvcQuorvellaView::openPreferences(uintptr_t ownerWindow) {
  // Modal: the dialog's own loop runs here, on the user-interface thread, inside the click.
  HC::AboutDialog::run(static_cast<HvcQuorvella*>(getHvcEffect()), ownerWindow);
}
