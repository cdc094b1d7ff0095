#include "gui/script/LayoutScriptObjects.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/editor/Editor.h"
#include "gui/elements/BoundingBox.h"
#include "gui/elements/Group.h"
#include "gui/elements/Manager.h"
#include "gui/elements/StatefulButton.h"
#include "gui/elements/UIElement.h"
#include "gui/script/LayoutScript.h"
#include "lua/LuaIncludes.h"

namespace HC {

namespace {

Manager* currentManager(lua_State* L) {
  LayoutScript* script = LayoutScript::fromState(L);
  return script ? script->getEditor().getManager() : nullptr;
}

// What the layout's userdata hold.
struct Stored {
  void* pointer;
  uint32_t opening;
};

uint32_t currentOpening(lua_State* L) {
  LayoutScript* script = LayoutScript::fromState(L);
  return script ? script->opening() : 0;
}

// The element, if this opening made it and it belongs to the open editor's manager.
UIElement* liveElement(lua_State* L, const LayoutScriptObjects::Object& object, const char* kind) {
  Manager* manager = currentManager(L);
  void* pointer = object.pointer;
  if (manager && object.thisOpening) {
    const std::vector<UIElement*>& all = manager->getElements();
    auto found = std::find(all.begin(), all.end(), static_cast<UIElement*>(pointer));
    if (found != all.end()) return *found;
  }
  luaL_error(L, "%s from an earlier opening of the editor", kind);
  return nullptr;
}

// --- Group methods ------------------------------------------------------------------------

int groupAdd(lua_State* L) {
  Group* group = LayoutScriptObjects::checkGroup(L, 1);
  UIElement* element = LayoutScriptObjects::checkElement(L, 2);
  LayoutScript* script = LayoutScript::fromState(L);
  if (!script || !script->building()) return luaL_error(L, "the layout can only change while createUI runs");
  group->add(element);
  return 0;
}

int groupSetPosition(lua_State* L) {
  Group* group = LayoutScriptObjects::checkGroup(L, 1);
  LayoutScript* script = LayoutScript::fromState(L);
  if (!script || !script->building()) return luaL_error(L, "the layout can only change while createUI runs");
  group->setOffset(static_cast<float>(lua_tonumber(L, 2)), static_cast<float>(lua_tonumber(L, 3)), 0.0f);
  return 0;
}

BoundingBox groupBounds(lua_State* L) {
  BoundingBox box;
  LayoutScriptObjects::checkGroup(L, 1)->bounds(box);
  return box;
}

int groupWidth(lua_State* L) {
  lua_pushnumber(L, groupBounds(L).width());
  return 1;
}

int groupHeight(lua_State* L) {
  lua_pushnumber(L, groupBounds(L).height());
  return 1;
}

int groupBoundsAll(lua_State* L) {
  BoundingBox box = groupBounds(L);
  lua_pushnumber(L, box.minX);
  lua_pushnumber(L, box.minY);
  lua_pushnumber(L, box.maxX);
  lua_pushnumber(L, box.maxY);
  return 4;
}

int groupSetVisible(lua_State* L) {
  LayoutScriptObjects::checkGroup(L, 1)->setVisible(lua_toboolean(L, 2) != 0);
  return 0;
}

int groupIsVisible(lua_State* L) {
  lua_pushboolean(L, LayoutScriptObjects::checkGroup(L, 1)->isVisible());
  return 1;
}

// --- Element methods ----------------------------------------------------------------------

int elementSetVisible(lua_State* L) {
  LayoutScriptObjects::checkElement(L, 1)->setVisible(lua_toboolean(L, 2) != 0);
  return 0;
}

int elementIsVisible(lua_State* L) {
  lua_pushboolean(L, LayoutScriptObjects::checkElement(L, 1)->isVisible());
  return 1;
}

int elementSetState(lua_State* L) {
  auto* button = dynamic_cast<StatefulButton*>(LayoutScriptObjects::checkElement(L, 1));
  if (button) button->setState(lua_toboolean(L, 2) != 0);
  return 0;
}

int elementGetState(lua_State* L) {
  auto* button = dynamic_cast<StatefulButton*>(LayoutScriptObjects::checkElement(L, 1));
  lua_pushboolean(L, button && button->getState());
  return 1;
}

const luaL_Reg kGroupMethods[] = {
    {"add", groupAdd},           {"setPosition", groupSetPosition}, {"width", groupWidth},
    {"height", groupHeight},     {"bounds", groupBoundsAll},        {"setVisible", groupSetVisible},
    {"isVisible", groupIsVisible}, {nullptr, nullptr}};

const luaL_Reg kElementMethods[] = {{"setVisible", elementSetVisible},
                                    {"isVisible", elementIsVisible},
                                    {"setState", elementSetState},
                                    {"getState", elementGetState},
                                    {nullptr, nullptr}};

void newType(lua_State* L, const char* name, const luaL_Reg* methods) {
  luaL_newmetatable(L, name);
  lua_pushvalue(L, -1);
  lua_setfield(L, -2, "__index");
  if (methods) luaL_register(L, nullptr, methods);
  lua_pop(L, 1);
}

}  // namespace

void LayoutScriptObjects::registerTypes(lua_State* state) {
  newType(state, kGroupType, kGroupMethods);
  newType(state, kElementType, kElementMethods);
  newType(state, kTextureType, nullptr);
}

void LayoutScriptObjects::push(lua_State* state, void* pointer, const char* type) {
  if (!pointer) {
    lua_pushnil(state);
    return;
  }
  *static_cast<Stored*>(lua_newuserdata(state, sizeof(Stored))) = {pointer, currentOpening(state)};
  luaL_getmetatable(state, type);
  lua_setmetatable(state, -2);
}

LayoutScriptObjects::Object LayoutScriptObjects::objectOfType(lua_State* state, int index,
                                                              const char* type) {
  Object object;
  if (lua_type(state, index) != LUA_TUSERDATA || lua_objlen(state, index) != sizeof(Stored) ||
      !lua_getmetatable(state, index))
    return object;
  lua_getfield(state, LUA_REGISTRYINDEX, type);
  const bool same = lua_rawequal(state, -1, -2) != 0;
  lua_pop(state, 2);
  if (!same) return object;
  const Stored& stored = *static_cast<const Stored*>(lua_touserdata(state, index));
  object.pointer = stored.pointer;
  object.thisOpening = stored.opening == currentOpening(state);
  return object;
}

UIElement* LayoutScriptObjects::checkElement(lua_State* state, int index) {
  if (!lua_isuserdata(state, index) || !lua_getmetatable(state, index)) {
    luaL_argerror(state, index, "element expected");
    return nullptr;
  }
  lua_pop(state, 1);
  LayoutScript* script = LayoutScript::fromState(state);
  Object object;
  if (script) {
    for (const std::string& type : script->getEditor().elementTypeNames()) {
      object = objectOfType(state, index, type.c_str());
      if (object.pointer) break;
    }
  }
  if (!object.pointer) {
    luaL_typerror(state, index, "element");
    return nullptr;
  }
  return liveElement(state, object, "element");
}

Group* LayoutScriptObjects::checkGroup(lua_State* state, int index) {
  const Object object = objectOfType(state, index, kGroupType);
  if (!object.pointer) {
    luaL_argerror(state, index, "group expected");
    return nullptr;
  }
  auto* group = dynamic_cast<Group*>(liveElement(state, object, "group"));
  if (!group) luaL_error(state, "group from an earlier opening of the editor");
  return group;
}

Texture* LayoutScriptObjects::checkTexture(lua_State* state, int index) {
  const Object object = objectOfType(state, index, kTextureType);
  if (!object.pointer) {
    luaL_argerror(state, index, "texture expected");
    return nullptr;
  }
  Manager* manager = currentManager(state);
  if (manager && object.thisOpening) {
    const std::vector<Texture*>& all = manager->getTextures();
    auto found = std::find(all.begin(), all.end(), static_cast<Texture*>(object.pointer));
    if (found != all.end()) return *found;
  }
  luaL_error(state, "texture from an earlier opening of the editor");
  return nullptr;
}

}  // namespace HC
