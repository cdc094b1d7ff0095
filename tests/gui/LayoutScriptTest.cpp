// The editor's layout script through ScriptedEditor, without a window: the layout is built
// by calling buildInterface as an opening does, and results are read from the manager and
// from globals the scripts leave behind. Error texts are caught by pcall inside createUI,
// since the framework only reports createUI's own errors on standard error.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "effect/HvcQuorvella.h"
#include "gui/editor/ScriptedEditor.h"
#include "gui/elements/Manager.h"
#include "gui/elements/NamedGroup.h"
#include "gui/elements/StatefulButton.h"
#include "gui/text/Font.h"
#include "gui/text/Texture.h"
#include "lua/LuaIncludes.h"
#include "support/RecordingHost.h"
#include "support/StreamCapture.h"
#include "support/TestFiles.h"
#include "support/UserEnvironment.h"

namespace {

// Runs each named call protected and keeps its error text in the global table `errors`.
const char kTry[] = R"(
errors = {}
function try(name, f, ...)
  local ok, message = pcall(f, ...)
  errors[name] = ok and "no error" or message
end
)";

class LayoutScriptTest : public ::testing::Test {
protected:
  // The effect's parameter listeners go before its editor: close the opening first, as the
  // host's close opcode does.
  void TearDown() override {
    if (editor) editor->close();
  }
  void make(const std::string& script) {
    TearDown();
    effect.reset();
    host.clear();
    effect.reset(new HvcQuorvella(&host));
    editor = new HC::ScriptedEditor(effect.get(), script);
    effect->setEditor(editor);
    editor->prepareLayout();
  }
  HC::Manager& open() {
    editor->buildInterface(0, 0);
    return *editor->getManager();
  }
  lua_State* L() { return editor->getLuaState(); }
  // A global (or field of the global table `errors` when error is set) as text.
  std::string global(const char* name, bool error = false) {
    if (error) {
      lua_getglobal(L(), "errors");
      lua_getfield(L(), -1, name);
      lua_remove(L(), -2);
    } else {
      lua_getglobal(L(), name);
    }
    const char* text = lua_tostring(L(), -1);
    std::string out = text ? text : (lua_isboolean(L(), -1) ? (lua_toboolean(L(), -1) ? "true" : "false") : "nil");
    lua_pop(L(), 1);
    return out;
  }
  std::string error(const char* name) { return global(name, true); }
  int16_t rectWidth() {
    EditorRect* rect = nullptr;
    editor->getRect(&rect);
    return rect->right - rect->left;
  }
  int16_t rectHeight() {
    EditorRect* rect = nullptr;
    editor->getRect(&rect);
    return rect->bottom - rect->top;
  }
  template <typename T>
  std::vector<T*> elementsOf(HC::Manager& manager) {
    std::vector<T*> out;
    for (HC::UIElement* e : manager.getElements())
      if (auto* t = dynamic_cast<T*>(e)) out.push_back(t);
    return out;
  }

  // Begin and end edits the host saw.
  std::vector<RecordingHost::Kind> edits() const {
    std::vector<RecordingHost::Kind> out;
    for (RecordingHost::Kind kind : host.kinds())
      if (kind == RecordingHost::kBeginEdit || kind == RecordingHost::kEndEdit) out.push_back(kind);
    return out;
  }

  testsupport::UserEnvironment user;
  RecordingHost host;
  std::unique_ptr<HvcQuorvella> effect;
  HC::ScriptedEditor* editor = nullptr;
};

TEST_F(LayoutScriptTest, EveryErrorTextReachesTheScript) {
  make(std::string(kTry) + R"(
function createUI()
  local g = group("G")
  try("name", getParameterID, "dry level")
  try("knobName", knob, "No Such", "", 0, 0, 37)
  try("range", getParameter, 40)
  try("setRange", setParameter, -1, 0)
  try("notElement", add, 5)
  try("plainTable", add, {})
  try("wrongType", add, g)
  try("notGroup", g.width, 5)
  try("button", button, "Nope", "Nope", 0, 0, 10, 10)
  try("orientation", slider, "Dry Level", 0, 0, 10, 10, "diagonal")
  try("slider", slider, "Dry Level", 0, 0, 10, 10, "horizontal")
  try("luaButton", luaButton, nil, "L", "n", "t", 0, 0, 10, 10)
end)");
  open();
  EXPECT_EQ(error("name"), "parameter not found: 'dry level'");
  EXPECT_EQ(error("knobName"), "parameter not found: 'No Such'");
  EXPECT_EQ(error("range"), "parameter out of range: 40");
  EXPECT_EQ(error("setRange"), "parameter out of range: -1");
  EXPECT_EQ(error("notElement"), "bad argument #1 to '?' (element expected)");
  EXPECT_EQ(error("plainTable"), "bad argument #1 to '?' (element expected)");
  EXPECT_EQ(error("wrongType"), "bad argument #1 to '?' (element expected, got userdata)");
  EXPECT_EQ(error("notGroup"), "bad argument #1 to '?' (group expected)");
  EXPECT_EQ(error("button"), "button not found: Nope");
  EXPECT_EQ(error("orientation"), "unknown slider orientation: diagonal");
  EXPECT_EQ(error("slider"), "no slider support");
  EXPECT_EQ(error("luaButton"), "first argument to luaButton() is not a function");
}

TEST_F(LayoutScriptTest, LookupFailuresOfTexturesAndButtons) {
  make(std::string(kTry) + R"(
function createUI()
  try("texture", texture, "x.png")
  try("button", button, "Prefs", "Prefs", 0, 0, 10, 10)
end)");
  HC::Manager& manager = open();
  EXPECT_EQ(error("texture"), "failed to find texture in resouce id lookup");
  EXPECT_EQ(error("button"), "button not found: Prefs");
  EXPECT_TRUE(manager.getTextures().empty());
  // With no table at all (a caller that offers no buttons).
  editor->layoutScript()->createUI(nullptr);
  EXPECT_EQ(error("button"), "no button lookup table");
}

TEST_F(LayoutScriptTest, ParametersResolveByNumberNumericTextOrExactName) {
  make(R"(
function createUI()
  id = getParameterID("Dry Level")
  setParameter("Wet Level", 0.25)
  setParameter(3.9, 0.5)
  byNumber, byText = getParameter(3), getParameter("3")
end)");
  open();
  EXPECT_EQ(global("id"), "0");
  EXPECT_EQ(global("byNumber"), "0.5");
  EXPECT_EQ(global("byText"), "0.5");
  EXPECT_FLOAT_EQ(effect->getPlainValue(1), 0.25f);
  EXPECT_FLOAT_EQ(effect->getPlainValue(3), 0.5f);  // integer part of 3.9
  // Each change is one whole edit for the host.
  EXPECT_EQ(edits(), (std::vector<RecordingHost::Kind>{RecordingHost::kBeginEdit,
                                                      RecordingHost::kEndEdit,
                                                      RecordingHost::kBeginEdit,
                                                      RecordingHost::kEndEdit}));
  EXPECT_EQ(editor->getManager()->draggedIndex(), -1);
}

TEST_F(LayoutScriptTest, BuildsGroupsElementsAndManagerSettings) {
  make(R"(
function getWindowSize() return 300.7, 200 end
function getFont() return { {name="no-such-font.ttf", size=12}, {name="DejaVuSans.ttf", size=12} } end
function createUI()
  setBackgroundColour(0.25, 0.5, 0.75)
  setBannerPosition(190, false)
  g = group("Mix")
  local k = knob("Dry Level", "Dry", 0, 0, 37)
  g:add(k)
  g:setPosition(20, 30)
  w, h = g:width(), g:height()
  x0, y0, x1, y1 = g:bounds()
  t = luaButton(function() pressed = (pressed or 0) + 1 end, "T", "Toggle", "toggle", 0, 0, 10, 10)
  m = luaButton(function() end, "M", "Moment", "m", 20, 0, 10, 10)
  add(t) add(m)
  tState, mState, kState = t:getState(), m:getState(), k:getState()
  k:setVisible(false)
  kVisible = k:isVisible()
end)");
  EXPECT_EQ(rectWidth(), 300);
  EXPECT_EQ(rectHeight(), 200);
  HC::Manager& manager = open();
  EXPECT_EQ(manager.getWidth(), 300);
  EXPECT_EQ(manager.getHeight(), 200);
  EXPECT_NE(manager.getMainFont(), nullptr);
  EXPECT_EQ(manager.getLabelFont(), nullptr);  // no getLabelFont
  EXPECT_FLOAT_EQ(manager.backgroundColour[1], 0.5f);
  EXPECT_FLOAT_EQ(manager.bannerY, 190.0f);
  EXPECT_FALSE(manager.bannerFlag);
  // The knob's 37 pixels and the titled group's margin of 10 on each side.
  EXPECT_EQ(global("w"), "57");
  EXPECT_EQ(global("h"), "57");
  EXPECT_EQ(global("x0") + "," + global("y0") + "," + global("x1"), "10,20,67");
  EXPECT_EQ(global("tState") + global("mState") + global("kState"), "falsetruefalse");
  EXPECT_EQ(global("kVisible"), "false");
  auto groups = elementsOf<HC::NamedGroup>(manager);
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0]->getTitle(), "Mix");
  auto buttons = elementsOf<HC::StatefulButton>(manager);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0]->getId(), -2);
  EXPECT_EQ(buttons[1]->getId(), -3);
  // A press on the toggle runs its function.
  buttons[0]->pointerDown(HC::Point{5, 5}, 0);
  EXPECT_EQ(global("pressed"), "1");
}

TEST_F(LayoutScriptTest, ReopeningRunsCreateUIAgainButNotTheChunk) {
  make(R"(
bodyRuns = (bodyRuns or 0) + 1
function getWindowSize() return 100, 50 end
function createUI() uiRuns = (uiRuns or 0) + 1; g = group("A" .. uiRuns) end)");
  open();
  editor->close();
  HC::Manager& second = open();
  EXPECT_EQ(global("bodyRuns"), "1");
  EXPECT_EQ(global("uiRuns"), "2");
  auto groups = elementsOf<HC::NamedGroup>(second);
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0]->getTitle(), "A2");
}

// What the allocator may do to an object kept from an earlier opening: give its address to an
// object of this opening. The object's pointer comes first in its userdata.
int alias(lua_State* L) {
  std::memcpy(lua_touserdata(L, 1), lua_touserdata(L, 2), sizeof(void*));
  return 0;
}

TEST_F(LayoutScriptTest, ObjectsOfAnEarlierOpeningAndLateChangesAreRefused) {
  make(std::string(kTry) + R"(
function createUI()
  if old then
    try("oldGroup", old.width, old)
    try("oldElement", add, oldKnob)
    alias(oldKnob, knob(0, "", 0, 0, 10))
    try("addressReused", add, oldKnob)
  end
  old = group("Old")
  oldKnob = knob(0, "", 0, 0, 10)
  b = luaButton(function() try("late", group, "Late") end, "B", "B", "t", 0, 0, 10, 10)
  add(b)
end
try("inBody", group, "Body")
)");
  EXPECT_EQ(error("inBody"), "the layout can only change while createUI runs");
  lua_register(L(), "alias", alias);
  HC::Manager& first = open();
  auto buttons = elementsOf<HC::StatefulButton>(first);
  ASSERT_EQ(buttons.size(), 1u);
  size_t elementCount = first.getElements().size();
  buttons[0]->pointerDown(HC::Point{5, 5}, 0);
  EXPECT_EQ(error("late"), "the layout can only change while createUI runs");
  EXPECT_EQ(first.getElements().size(), elementCount);
  editor->close();
  open();
  EXPECT_EQ(error("oldGroup"), "group from an earlier opening of the editor");
  EXPECT_EQ(error("oldElement"), "element from an earlier opening of the editor");
  EXPECT_EQ(error("addressReused"), "element from an earlier opening of the editor");
}

TEST_F(LayoutScriptTest, BrokenMissingAndRunawayLayoutsStillOpen) {
  struct Case {
    const char* script;
    const char* printed;  // start of the console report
  } cases[] = {
      {"function createUI( end", "@@@ failed to run buffer: [string \"gui.lua\"]:1:"},
      {"while true do end", "@@@ failed to run buffer: "},
      // Stopped by the memory cap or by the work budget, whichever the machine meets first.
      {"local t = {} while true do t[#t + 1] = {} end", "@@@ failed to run buffer: "},
      {"", "@@@ failed to run buffer: failed to find gui.lua in resouce id lookup"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    testsupport::StreamCapture out(1);
    make(c.script);  // the empty text means: the built-in resource, which is not named
    std::string printed = out.stop();
    EXPECT_EQ(printed.compare(0, std::string(c.printed).size(), c.printed), 0) << printed;
    EXPECT_EQ(rectWidth(), 0);
    HC::Manager& manager = open();
    EXPECT_EQ(manager.getWidth(), 0);
    // The state is still usable.
    EXPECT_EQ(luaL_dostring(L(), "return 1 + 1"), 0);
  }
}

TEST_F(LayoutScriptTest, RunawayCallsAreStoppedAndTheOpeningGoesOn) {
  make(R"(
function getWindowSize() while true do end end
function getFont() local t = {} while true do t[#t + 1] = {} end end
function createUI() group("Before"); while true do end end)");
  EXPECT_EQ(rectWidth(), 0);
  HC::Manager& manager = open();
  EXPECT_EQ(manager.getWidth(), 0);
  EXPECT_EQ(manager.getMainFont(), nullptr);
  EXPECT_EQ(elementsOf<HC::NamedGroup>(manager).size(), 1u);
  EXPECT_TRUE(editor->layoutScript()->lastRunStopped());
}

TEST_F(LayoutScriptTest, SkinFolderSuppliesTheLayoutAndImages) {
  std::string skins = user.dataHome() + "/Halvercast/Quorvella/Skins/";
  testsupport::makeFolders(skins + "Empty.bundle/Contents/Resources");
  testsupport::makeFolders(skins + "Blue/Contents/Resources");
  testsupport::writeFile(skins + "Blue/Contents/Resources/gui.lua", R"(
function getWindowSize() return 64, 32 end
function createUI() tex = texture("bg.png") end)");
  auto choose = [&](const char* skin) { user.setText("Skin", skin); };

  choose("Empty");
  testsupport::StreamCapture out(1);
  make("function getWindowSize() return 500, 500 end");  // not used: the skin wins
  EXPECT_EQ(out.stop(), "");
  EXPECT_EQ(rectWidth(), 0);
  EXPECT_EQ(open().getWidth(), 0);

  choose("Blue");
  make("");
  EXPECT_EQ(rectWidth(), 64);
  HC::Manager& manager = open();
  ASSERT_EQ(manager.getTextures().size(), 1u);
  EXPECT_EQ(manager.getTextures()[0]->file, editor->getSkinPath() + "/Contents/Resources/bg.png");
}

}  // namespace
