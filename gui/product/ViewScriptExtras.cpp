#include "gui/product/ViewScriptExtras.h"

#include <cstring>

#include "gui/editor/Editor.h"
#include "gui/product/ALmanager.h"
#include "gui/product/InfoDisplay.h"
#include "gui/product/LabelledTextField.h"
#include "gui/product/TexturedKnobRenderer.h"
#include "gui/product/TexturedMeters.h"
#include "gui/script/LayoutScript.h"
#include "gui/script/LayoutScriptFunctions.h"
#include "gui/script/LayoutScriptObjects.h"
#include "lua/LuaIncludes.h"

namespace HC {

namespace {

constexpr char kOnlyWhileBuilding[] = "the layout can only change while createUI runs";
// Words of the meter block: cycle levels at bytes 16 and 20, envelopes at 24 and 28.
constexpr int kPeakSlot = 4;
constexpr int kEnvelopeSlot = 6;

float number(lua_State* L, int index) { return static_cast<float>(lua_tonumber(L, index)); }

// The product manager of the opening whose createUI runs now; a script error otherwise.
ALmanager& buildingManager(lua_State* L) {
  LayoutScript* script = LayoutScript::fromState(L);
  if (!script) luaL_error(L, "not an editor's layout state");
  auto* manager = dynamic_cast<ALmanager*>(script->getEditor().getManager());
  if (!script->building() || !manager) luaL_error(L, kOnlyWhileBuilding);
  return *manager;
}

// The effect of the manager that pointer names when it is of this kind, else null: an object
// of the wrong kind under the right type name is refused, never used as that kind.
template <typename Kind>
Kind* liveEffect(Manager& manager, void* pointer) {
  for (Effect* effect : manager.getEffects())
    if (dynamic_cast<void*>(effect) == pointer) return dynamic_cast<Kind*>(effect);
  return nullptr;
}

int infoDisplay(lua_State* L) {
  ALmanager& manager = buildingManager(L);
  auto* display = new InfoDisplay(&manager, number(L, 1), number(L, 2), number(L, 3), number(L, 4));
  LayoutScriptObjects::push(L, display, LayoutScriptObjects::kElementType);
  return 1;
}

int levelMeters(lua_State* L) {
  Texture* texture = LayoutScriptObjects::checkTexture(L, 1);
  ALmanager& manager = buildingManager(L);
  auto* meters = new TexturedMeters(&manager, texture, number(L, 2), number(L, 3), number(L, 4),
                                    number(L, 5));
  manager.addEffect(meters);
  LayoutScriptObjects::push(L, meters, ViewScriptExtras::kLevelMetersType);
  return 1;
}

int addMeter(lua_State* L) {
  const LayoutScriptObjects::Object object =
      LayoutScriptObjects::objectOfType(L, 1, ViewScriptExtras::kLevelMetersType);
  if (!object.pointer) return luaL_error(L, "levelMeters expected");
  const char* kind = luaL_checkstring(L, 2);
  lua_Integer channel = lua_tointeger(L, 3);
  if (channel != 0 && channel != 1)
    return luaL_error(L, "level meter index out of range: %d", static_cast<int>(channel));
  int slot = ViewScriptExtras::meterSlot(kind, channel);
  if (slot < 0) return luaL_error(L, "unknown level meter: %s", kind);
  ALmanager& manager = buildingManager(L);
  TexturedMeters* meters =
      object.thisOpening ? liveEffect<TexturedMeters>(manager, object.pointer) : nullptr;
  if (!meters) return luaL_error(L, "levelMeters from an earlier opening of the editor");
  meters->addMeter(number(L, 4), number(L, 5), &manager.meterValues[slot]);
  return 0;
}

int textField(lua_State* L) {
  int32_t index = LayoutScriptFunctions::checkParameter(L, 1);
  const char* label = luaL_checkstring(L, 2);
  const char* format = luaL_optstring(L, 7, "");
  ALmanager& manager = buildingManager(L);
  auto* field = new LabelledTextField(index, &manager, format, number(L, 3), number(L, 4),
                                      number(L, 5), number(L, 6), label);
  LayoutScriptObjects::push(L, field, LayoutScriptObjects::kElementType);
  return 1;
}

int setBackgroundTexture(lua_State* L) {
  Texture* texture = LayoutScriptObjects::checkTexture(L, 1);
  Texture* normalMap = LayoutScriptObjects::checkTexture(L, 2);
  buildingManager(L).setBackgroundTexture(texture, normalMap);
  return 0;
}

int knobRenderer(lua_State* L) {
  Texture* atlas = LayoutScriptObjects::checkTexture(L, 1);
  Texture* normalMap = LayoutScriptObjects::checkTexture(L, 2);
  ALmanager& manager = buildingManager(L);
  auto* renderer = new TexturedKnobRenderer(&manager, atlas, normalMap, number(L, 3),
                                            number(L, 4), number(L, 5));
  manager.addEffect(renderer);
  LayoutScriptObjects::push(L, renderer, ViewScriptExtras::kKnobRendererType);
  return 1;
}

}  // namespace

void ViewScriptExtras::registerAll(lua_State* L) {
  const luaL_Reg functions[] = {{"infoDisplay", infoDisplay},
                                {"levelMeters", levelMeters},
                                {"textField", textField},
                                {"setBackgroundTexture", setBackgroundTexture},
                                {"knobRenderer", knobRenderer}};
  for (const luaL_Reg& f : functions) lua_register(L, f.name, f.func);

  luaL_newmetatable(L, kLevelMetersType);
  lua_pushvalue(L, -1);
  lua_setfield(L, -2, "__index");
  lua_pushcfunction(L, addMeter);
  lua_setfield(L, -2, "add");
  lua_pop(L, 1);

  luaL_newmetatable(L, kKnobRendererType);
  lua_pop(L, 1);
}

int ViewScriptExtras::meterSlot(const char* kind, int64_t channel) {
  if (channel != 0 && channel != 1) return -1;
  if (std::strcmp(kind, "peak") == 0) return kPeakSlot + static_cast<int>(channel);
  if (std::strcmp(kind, "envelope") == 0) return kEnvelopeSlot + static_cast<int>(channel);
  return -1;
}

TexturedKnobRenderer* ViewScriptExtras::checkKnobRenderer(lua_State* L) {
  lua_getglobal(L, "theKnobRenderer");
  const LayoutScriptObjects::Object object =
      LayoutScriptObjects::objectOfType(L, -1, kKnobRendererType);
  lua_pop(L, 1);
  LayoutScript* script = LayoutScript::fromState(L);
  Manager* manager = script ? script->getEditor().getManager() : nullptr;
  TexturedKnobRenderer* renderer =
      object.pointer && object.thisOpening && manager
          ? liveEffect<TexturedKnobRenderer>(*manager, object.pointer)
          : nullptr;
  if (!renderer) luaL_error(L, "couldn't get theKnobRenderer");
  return renderer;
}

}  // namespace HC
