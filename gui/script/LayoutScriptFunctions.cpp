#include "gui/script/LayoutScriptFunctions.h"

#include <climits>
#include <cmath>
#include <string>

#include "framework/HvcAuBase.h"
#include "gui/editor/Editor.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Group.h"
#include "gui/elements/Manager.h"
#include "gui/elements/NamedGroup.h"
#include "gui/script/LayoutScript.h"
#include "gui/script/LayoutScriptObjects.h"
#include "gui/text/Texture.h"
#include "lua/LuaIncludes.h"
#include "osc/OSCSendFunction.h"

namespace HC {

namespace {

constexpr char kOnlyWhileBuilding[] = "the layout can only change while createUI runs";
constexpr char kSkinResources[] = "/Contents/Resources/";

float number(lua_State* L, int index) { return static_cast<float>(lua_tonumber(L, index)); }

LayoutScript& scriptOf(lua_State* L) {
  LayoutScript* script = LayoutScript::fromState(L);
  if (!script) luaL_error(L, "not an editor's layout state");
  return *script;
}

// The manager of the opening whose createUI runs now; a script error at any other time.
Manager& buildingManager(lua_State* L) {
  LayoutScript& script = scriptOf(L);
  Manager* manager = script.getEditor().getManager();
  if (!script.building() || !manager) luaL_error(L, kOnlyWhileBuilding);
  return *manager;
}

HvcAuBase& effectOf(lua_State* L) { return *scriptOf(L).getEditor().getHvcEffect(); }

// The index at argument 1, which must name one of the effect's parameters.
int32_t checkParameterInRange(lua_State* L) {
  int32_t index = LayoutScriptFunctions::checkParameter(L, 1);
  if (index < 0 || index >= effectOf(L).getNumParameters())
    luaL_error(L, "parameter out of range: %d", static_cast<int>(index));
  return index;
}

Colour colourArguments(lua_State* L, bool withAlpha) {
  return Colour{number(L, 1), number(L, 2), number(L, 3), withAlpha ? number(L, 4) : 1.0f};
}

int setGroupActiveColour(lua_State* L) {
  EditorOptions::setActiveGroupColour(colourArguments(L, true));
  return 0;
}

int setGroupInactiveColour(lua_State* L) {
  EditorOptions::setInactiveGroupColour(colourArguments(L, true));
  return 0;
}

int group(lua_State* L) {
  const char* title = luaL_checkstring(L, 1);
  Manager& manager = buildingManager(L);
  auto* named = new NamedGroup(&manager, title);
  manager.getRoot()->add(named);
  LayoutScriptObjects::push(L, named, LayoutScriptObjects::kGroupType);
  return 1;
}

int knob(lua_State* L) {
  int32_t index = LayoutScriptFunctions::checkParameter(L, 1);
  const char* label = luaL_checkstring(L, 2);
  buildingManager(L);
  UIElement* element =
      scriptOf(L).getEditor().makeKnob(L, index, label, number(L, 3), number(L, 4), number(L, 5));
  LayoutScriptObjects::push(L, element, LayoutScriptObjects::kElementType);
  return 1;
}

int button(lua_State* L) {
  const char* name = luaL_checkstring(L, 1);
  const char* label = luaL_checkstring(L, 2);
  buildingManager(L);
  lua_pushstring(L, LayoutScript::kButtonLookup);
  lua_rawget(L, LUA_REGISTRYINDEX);
  const auto* table = static_cast<const LayoutScript::ButtonLookup*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (!table) return luaL_error(L, "no button lookup table");
  auto entry = table->find(name);
  if (entry == table->end()) return luaL_error(L, "button not found: %s", name);
  Editor& editor = scriptOf(L).getEditor();
  UIElement* element = editor.makeButton(L, lua_gettop(L), label, entry->second.callback,
                                         reinterpret_cast<intptr_t>(&editor), number(L, 3),
                                         number(L, 4), number(L, 5), number(L, 6), entry->second.id);
  LayoutScriptObjects::push(L, element, LayoutScriptObjects::kElementType);
  return 1;
}

int slider(lua_State* L) {
  int32_t index = LayoutScriptFunctions::checkParameter(L, 1);
  const char* orientation = luaL_checkstring(L, 6);
  if (orientation[0] != 'h' && orientation[0] != 'v')
    return luaL_error(L, "unknown slider orientation: %s", orientation);
  buildingManager(L);
  UIElement* element = scriptOf(L).getEditor().makeSlider(
      L, lua_gettop(L), index, number(L, 2), number(L, 3), number(L, 4), number(L, 5), orientation[0] == 'h');
  LayoutScriptObjects::push(L, element, LayoutScriptObjects::kElementType);
  return 1;
}

int luaButton(lua_State* L) {
  if (!lua_isfunction(L, 1)) return luaL_error(L, "first argument to luaButton() is not a function");
  const char* label = luaL_checkstring(L, 2);
  const char* name = luaL_checkstring(L, 3);
  const char* kind = luaL_checkstring(L, 4);
  Manager& manager = buildingManager(L);
  LayoutScript& script = scriptOf(L);
  lua_pushvalue(L, 1);
  int reference = luaL_ref(L, LUA_REGISTRYINDEX);
  script.keepButtonReference(reference);
  int32_t id = manager.buttonIdForText(name);
  UIElement* element = script.getEditor().makeLuaButton(
      L, lua_gettop(L), label, &LayoutScript::scriptButtonFired, reference, number(L, 5),
      number(L, 6), number(L, 7), number(L, 8), id, kind[0] == 't');
  LayoutScriptObjects::push(L, element, LayoutScriptObjects::kElementType);
  return 1;
}

int texture(lua_State* L) {
  const char* name = luaL_checkstring(L, 1);
  Manager& manager = buildingManager(L);
  Editor& editor = scriptOf(L).getEditor();
  Texture* made = nullptr;
  if (!editor.getSkinPath().empty()) {
    made = new Texture(editor.getSkinPath() + kSkinResources + name);
  } else {
    auto found = editor.resourceIds().find(name);
    if (found == editor.resourceIds().end())
      return luaL_error(L, "failed to find texture in resouce id lookup");
    made = new Texture(found->second);
  }
  manager.registerTexture(made);
  LayoutScriptObjects::push(L, made, LayoutScriptObjects::kTextureType);
  return 1;
}

int add(lua_State* L) {
  UIElement* element = LayoutScriptObjects::checkElement(L, 1);
  buildingManager(L).getRoot()->add(element);
  return 0;
}

int setBackgroundColour(lua_State* L) {
  Manager& manager = buildingManager(L);
  for (int i = 0; i < 3; ++i) manager.backgroundColour[i] = number(L, i + 1);
  return 0;
}

int setBannerPosition(lua_State* L) {
  Manager& manager = buildingManager(L);
  manager.bannerY = number(L, 1);
  manager.bannerFlag = !(lua_type(L, 2) == LUA_TBOOLEAN && !lua_toboolean(L, 2));
  return 0;
}

int redrawLabels(lua_State* L) {
  scriptOf(L).getEditor().redrawLabels();
  return 0;
}

int setParameter(lua_State* L) {
  int32_t index = checkParameterInRange(L);
  float value = number(L, 2);
  HvcAuBase& effect = effectOf(L);
  Manager* manager = scriptOf(L).getEditor().getManager();
  if (manager) manager->setDraggedIndex(index);
  effect.beginEdit(index);
  effect.setParameterFromEditor(index, value);
  // A gesture that began meanwhile (the host's edit of the same control) keeps its edit open.
  if (!manager || manager->draggedIndex() == index) {
    effect.endEdit(index);
    if (manager) manager->setDraggedIndex(-1);
  }
  return 0;
}

int getParameter(lua_State* L) {
  lua_pushnumber(L, effectOf(L).getPlainValue(checkParameterInRange(L)));
  return 1;
}

const LayoutScript::ParameterLookup& parameterNames(lua_State* L) {
  lua_pushstring(L, LayoutScript::kParamLookup);
  lua_rawget(L, LUA_REGISTRYINDEX);
  const auto* names = static_cast<const LayoutScript::ParameterLookup*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (!names) luaL_error(L, "not an editor's layout state");
  return *names;
}

int32_t lookUpName(lua_State* L, const char* name) {
  const LayoutScript::ParameterLookup& names = parameterNames(L);
  auto found = names.find(name);
  if (found == names.end()) luaL_error(L, "parameter not found: '%s'", name);
  return found->second;
}

int getParameterID(lua_State* L) {
  lua_pushnumber(L, lookUpName(L, luaL_checkstring(L, 1)));
  return 1;
}

const luaL_Reg kFunctions[] = {{"setGroupActiveColour", setGroupActiveColour},
                               {"setGroupInactiveColour", setGroupInactiveColour},
                               {"group", group},
                               {"knob", knob},
                               {"button", button},
                               {"slider", slider},
                               {"luaButton", luaButton},
                               {"texture", texture},
                               {"add", add},
                               {"setBackgroundColour", setBackgroundColour},
                               {"setBannerPosition", setBannerPosition},
                               {"redrawLabels", redrawLabels},
                               {"setParameter", setParameter},
                               {"getParameter", getParameter},
                               {"getParameterID", getParameterID},
                               {"sendOSC", &OSCSendFunction::sendOSC},
                               {nullptr, nullptr}};

}  // namespace

void LayoutScriptFunctions::registerAll(lua_State* state) {
  for (const luaL_Reg* f = kFunctions; f->name; ++f) {
    lua_pushcfunction(state, f->func);
    lua_setfield(state, LUA_GLOBALSINDEX, f->name);
  }
}

int32_t LayoutScriptFunctions::checkParameter(lua_State* state, int index) {
  int type = lua_type(state, index);
  if (type == LUA_TNUMBER || (type == LUA_TSTRING && lua_isnumber(state, index))) {
    double value = std::trunc(lua_tonumber(state, index));
    if (std::isnan(value)) return -1;
    if (value <= INT_MIN) return INT_MIN;
    if (value >= INT_MAX) return INT_MAX;
    return static_cast<int32_t>(value);
  }
  return lookUpName(state, luaL_checkstring(state, index));
}

}  // namespace HC
