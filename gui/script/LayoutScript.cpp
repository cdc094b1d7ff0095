#include "gui/script/LayoutScript.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <new>
#include <utility>

#include "framework/HvcAuBase.h"
#include "gui/editor/Editor.h"
#include "gui/elements/Manager.h"
#include "gui/script/LayoutScriptFunctions.h"
#include "gui/script/LayoutScriptObjects.h"
#include "gui/text/Font.h"
#include "lua/LuaIncludes.h"
#include "lua/ScriptGlobals.h"
#include "lua/ScriptSandbox.h"
#include "platform/Output.h"

namespace HC {

const char LayoutScript::kViewRefcon[] = "HCgui::kViewRefcon";
const char LayoutScript::kParamLookup[] = "HCgui::kParamLookup";
const char LayoutScript::kButtonLookup[] = "HCgui::kButtonLookup";

namespace {

constexpr char kChunkName[] = "gui.lua";
constexpr char kSkinScript[] = "/Contents/Resources/gui.lua";
constexpr char kMissingBuiltIn[] = "failed to find gui.lua in resouce id lookup";

void report(const char* message) {
  std::string line = "@@@ failed to run buffer: ";
  line += message;
  line += '\n';
  platform::consoleOutput(line.data(), line.size());
}

// A failed createUI leaves the author an empty or half-built editor; the reason goes to
// standard error with the script's file and line. Lua names the chunk
// [string "gui.lua"] in its messages; a skin's script is named by its full path instead.
void reportCreateUIError(const std::string& script, const std::string& message) {
  const std::string chunk = std::string("[string \"") + kChunkName + "\"]";
  std::string line = "@@@ createUI failed: ";
  if (message.compare(0, chunk.size(), chunk) == 0)
    line += script + message.substr(chunk.size());
  else
    line += message;
  line += '\n';
  platform::errorOutput(line.data(), line.size());
}

// The whole file, or nothing when it cannot be read or is too large to be a layout.
std::string readSkinScript(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  file.seekg(0, std::ios::end);
  std::streamoff size = file.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > LayoutScript::kMaxScriptSize) return {};
  file.seekg(0, std::ios::beg);
  std::string text(static_cast<size_t>(size), '\0');
  if (!file.read(&text[0], size)) return {};
  return text;
}

struct Chunk {
  const std::string* text;
};

int loadAndRun(lua_State* L) {
  const auto* chunk = static_cast<const Chunk*>(lua_touserdata(L, 1));
  if (luaL_loadbuffer(L, chunk->text->data(), chunk->text->size(), kChunkName) != 0) return lua_error(L);
  lua_call(L, 0, 0);
  return 0;
}

// One font query: the named global's list read into candidates (inside the budgeted call).
struct FontQuery {
  const char* function;
  std::vector<std::pair<std::string, float>>* candidates;
};

int readFontList(lua_State* L) {
  auto* query = static_cast<FontQuery*>(lua_touserdata(L, 1));
  lua_getfield(L, LUA_GLOBALSINDEX, query->function);
  if (!lua_isfunction(L, -1)) return 0;
  lua_call(L, 0, 1);
  if (!lua_istable(L, -1)) return 0;
  int list = lua_gettop(L);
  for (int i = 1; i <= LayoutScript::kMaxFontCandidates; ++i) {
    lua_rawgeti(L, list, i);
    if (!lua_istable(L, -1)) break;
    lua_getfield(L, -1, "name");
    lua_getfield(L, -2, "size");
    // Only texts count as names (a number would be turned into a text in place).
    const char* name = lua_type(L, -2) == LUA_TSTRING ? lua_tostring(L, -2) : nullptr;
    double size = std::trunc(lua_tonumber(L, -1));
    if (name) query->candidates->emplace_back(name, static_cast<float>(size));
    lua_pop(L, 3);
  }
  return 0;
}

struct SizeQuery {
  double width = 0.0, height = 0.0;
};

int callWindowSize(lua_State* L) {
  auto* size = static_cast<SizeQuery*>(lua_touserdata(L, 1));
  lua_getfield(L, LUA_GLOBALSINDEX, "getWindowSize");
  lua_call(L, 0, 2);
  size->width = lua_tonumber(L, -2);
  size->height = lua_tonumber(L, -1);
  return 0;
}

int32_t windowSide(double value) {
  if (!(value > 0.0)) return 0;  // NaN too
  if (value >= LayoutScript::kMaxWindowSide) return LayoutScript::kMaxWindowSide;
  return static_cast<int32_t>(value);
}

struct ButtonTable {
  const LayoutScript::ButtonLookup* table;
};

int callCreateUI(lua_State* L) {
  auto* buttons = static_cast<ButtonTable*>(lua_touserdata(L, 1));
  lua_pushstring(L, LayoutScript::kButtonLookup);
  if (buttons->table)
    lua_pushlightuserdata(L, const_cast<LayoutScript::ButtonLookup*>(buttons->table));
  else
    lua_pushnil(L);
  lua_rawset(L, LUA_REGISTRYINDEX);
  lua_getfield(L, LUA_GLOBALSINDEX, "createUI");
  // A layout without createUI (a skin without gui.lua) opens empty and quietly.
  if (lua_isnil(L, -1)) return 0;
  lua_call(L, 0, 0);
  return 0;
}

int clearButtonTable(lua_State* L) {
  lua_pushstring(L, LayoutScript::kButtonLookup);
  lua_pushnil(L);
  lua_rawset(L, LUA_REGISTRYINDEX);
  return 0;
}

int callReferenced(lua_State* L) {
  int reference = static_cast<int>(reinterpret_cast<intptr_t>(lua_touserdata(L, 1)));
  lua_rawgeti(L, LUA_REGISTRYINDEX, reference);
  lua_call(L, 0, 0);
  return 0;
}

struct References {
  std::vector<int>* list;
};

int dropReferences(lua_State* L) {
  auto* refs = static_cast<References*>(lua_touserdata(L, 1));
  for (int reference : *refs->list) luaL_unref(L, LUA_REGISTRYINDEX, reference);
  return 0;
}

}  // namespace

LayoutScript::LayoutScript(Editor& editor) : editor(editor) {
  HvcAuBase* effect = editor.getHvcEffect();
  for (int32_t i = 0; i < effect->getNumParameters(); ++i)
    parameterLookup.emplace(effect->descriptor(i).name, i);
}

void LayoutScript::load() {
  if (lua || loaded) return;
  loaded = true;
  lua = limits.newState();
  if (!lua) return;
  if (!setUp()) {
    lua_close(lua);
    lua = nullptr;
    return;
  }
  runChunk();
}

LayoutScript::~LayoutScript() {
  if (!lua) return;
  // Closing runs finalizers that scripts may have made (newproxy): they share one budget.
  limits.begin(lua, kCloseBudget, ScriptLimits::Deadline::after(kCloseTime));
  lua_close(lua);
  limits.end();
}

LayoutScript* LayoutScript::fromState(lua_State* state) {
  lua_pushstring(state, kViewRefcon);
  lua_rawget(state, LUA_REGISTRYINDEX);
  void* editor = lua_islightuserdata(state, -1) ? lua_touserdata(state, -1) : nullptr;
  lua_pop(state, 1);
  return editor ? static_cast<Editor*>(editor)->layoutScript() : nullptr;
}

bool LayoutScript::setUp() {
  auto setUp = [](lua_State* L) -> int {
    auto* self = static_cast<LayoutScript*>(lua_touserdata(L, 1));
    ScriptSandbox::open(L, self->limits);
    LayoutScriptFunctions::registerAll(L);
    LayoutScriptObjects::registerTypes(L);
    std::vector<std::string>& names = self->editor.elementTypeNames();
    names.assign(1, LayoutScriptObjects::kElementType);
    self->editor.registerScriptExtras(L);
    lua_pushstring(L, kViewRefcon);
    lua_pushlightuserdata(L, &self->editor);
    lua_rawset(L, LUA_REGISTRYINDEX);
    lua_pushstring(L, kParamLookup);
    lua_pushlightuserdata(L, &self->parameterLookup);
    lua_rawset(L, LUA_REGISTRYINDEX);
    ScriptGlobals::install(L);
    return 0;
  };
  return lua_cpcall(lua, setUp, this) == 0;
}

void LayoutScript::runChunk() {
  std::string text;
  const std::string& skin = editor.getSkinPath();
  if (!skin.empty()) {
    text = readSkinScript(skin + kSkinScript);
  } else if (!editor.builtInLayout(text)) {
    report(kMissingBuiltIn);
    return;
  }
  Chunk chunk{&text};
  std::string message;
  if (!run(loadAndRun, &chunk, kLoadBudget, kLoadTime, &message)) report(message.c_str());
}

bool LayoutScript::run(int (*function)(lua_State*), void* data, long units,
                       std::chrono::milliseconds time, std::string* message) {
  if (!lua) return false;
  limits.begin(lua, units, ScriptLimits::Deadline::after(time));
  int status = lua_cpcall(lua, function, data);
  lastUnits = limits.end();
  if (status == 0) return true;
  if (message) {
    const char* text = lua_tostring(lua, -1);
    *message = text ? text : "(error object is not a string)";
  }
  lua_pop(lua, 1);
  return false;
}

void LayoutScript::loadFonts(Manager& manager) {
  if (!buttonReferences.empty()) {
    References refs{&buttonReferences};
    if (lua && lua_cpcall(lua, dropReferences, &refs) != 0) lua_pop(lua, 1);
    buttonReferences.clear();
  }
  const char* functions[] = {"getTextFieldFont", "getLabelFont", "getFont"};
  Font* fonts[3] = {};
  for (int i = 0; i < 3; ++i) {
    std::vector<std::pair<std::string, float>> candidates;
    FontQuery query{functions[i], &candidates};
    if (run(readFontList, &query, kCallBudget, kCallTime) && !candidates.empty()) fonts[i] = Font::load(candidates);
  }
  manager.setTextFieldFont(fonts[0]);
  manager.setLabelFont(fonts[1]);
  manager.setMainFont(fonts[2]);
}

bool LayoutScript::windowSize(int32_t& width, int32_t& height) {
  SizeQuery size;
  width = height = 0;
  if (!run(callWindowSize, &size, kCallBudget, kCallTime)) return false;
  width = windowSide(size.width);
  height = windowSide(size.height);
  return true;
}

void LayoutScript::applyWindowSize(Manager& manager) {
  int32_t width = 0, height = 0;
  windowSize(width, height);
  manager.setWindowSize(width, height);
}

void LayoutScript::createUI(const ButtonLookup* buttons) {
  if (!lua) return;
  ButtonTable table{buttons};
  buttonTable = buttons;
  ++openings;
  buildingNow = true;
  std::string message;
  if (!run(callCreateUI, &table, kCallBudget, kCallTime, &message)) {
    const std::string& skin = editor.getSkinPath();
    reportCreateUIError(skin.empty() ? std::string(kChunkName) : skin + kSkinScript, message);
  }
  buildingNow = false;
  buttonTable = nullptr;
  // The table dies with the caller's opening: no later call may find it.
  if (lua_cpcall(lua, clearButtonTable, nullptr) != 0) lua_pop(lua, 1);
}

void LayoutScript::scriptButtonFired(Button* button, intptr_t callbackData) {
  Editor* editor = button->getManager()->getEditor();
  if (editor && editor->layoutScript()) editor->layoutScript()->callReference(static_cast<int>(callbackData));
}

void LayoutScript::callReference(int reference) {
  void* data = reinterpret_cast<void*>(static_cast<intptr_t>(reference));
  run(callReferenced, data, kCallBudget, kCallTime);
}

}  // namespace HC
