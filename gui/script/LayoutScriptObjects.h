// The layout script's object types: "HCgui.Group" (an HC::NamedGroup), "HCgui.Element" (an
// HC::UIElement) and "HCgui.Texture" (an HC::Texture). Each object is a full userdata of one
// pointer with the type's metatable and no finaliser; the manager of the opening owns what
// it points to.
//
// Each object also records the opening that made it. An object kept from an earlier opening
// fails with "<kind> from an earlier opening of the editor" instead of reaching freed memory
// or the object of this opening that the allocator gave the same address; a pointer is
// also used only after it is found among the current manager's elements or textures.
//
// Threads: the editor's user-interface thread, inside the layout state.
#pragma once

struct lua_State;

namespace HC {

class Group;
class Texture;
class UIElement;

class LayoutScriptObjects {
public:
  static constexpr const char* kGroupType = "HCgui.Group";
  static constexpr const char* kElementType = "HCgui.Element";
  static constexpr const char* kTextureType = "HCgui.Texture";

  // Creates the three metatables (each its own __index) with the group and element methods.
  static void registerTypes(lua_State* state);

  // Pushes a new userdata holding pointer, and the opening whose createUI runs, with the
  // metatable named type (nil for null).
  static void push(lua_State* state, void* pointer, const char* type);

  // What the value at index holds when it is a userdata of the named type (pointer null
  // otherwise), and whether the current opening made it.
  struct Object {
    void* pointer = nullptr;
    bool thisOpening = false;
  };
  static Object objectOfType(lua_State* state, int index, const char* type);

  // The element at argument index: a userdata whose metatable is one of the editor's
  // elementTypeNames ("element expected" / "element expected, got <type>" otherwise).
  static UIElement* checkElement(lua_State* state, int index);
  // The group at index ("group expected").
  static Group* checkGroup(lua_State* state, int index);
  // The texture at index ("texture expected").
  static Texture* checkTexture(lua_State* state, int index);
};

}  // namespace HC
