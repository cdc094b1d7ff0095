// The product's editor without a window: the view the effect makes, its built-in layout and
// the product's script functions (a test's createUI replaces the built-in one in the view's
// state, and catches error texts with pcall), and the information display's texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "effect/HvcQuorvella.h"
#include "gui/elements/LumoButton.h"
#include "gui/elements/Manager.h"
#include "gui/elements/NamedGroup.h"
#include "gui/product/ALmanager.h"
#include "gui/product/HvcQuorvellaView.h"
#include "gui/product/InfoDisplay.h"
#include "gui/product/LabelledTextField.h"
#include "gui/product/LumoKnob.h"
#include "gui/product/ViewScriptExtras.h"
#include "gui/script/LayoutScriptObjects.h"
#include "gui/text/Texture.h"
#include "lua/LuaIncludes.h"
#include "support/RecordingHost.h"
#include "support/UserEnvironment.h"

namespace {

const char kTry[] = R"(
errors = {}
function try(name, f, ...)
  local ok, message = pcall(f, ...)
  errors[name] = ok and "no error" or message
end
)";

class ProductView : public ::testing::Test {
 protected:
  void SetUp() override {
    effect.reset(new HvcQuorvella(&host, &HvcQuorvellaView::create));
    view = dynamic_cast<HvcQuorvellaView*>(effect->getEditor());
    ASSERT_NE(view, nullptr);
  }
  void TearDown() override {
    if (view) view->close();
  }
  lua_State* L() { return view->getLuaState(); }
  void run(const std::string& chunk) {
    ASSERT_EQ(luaL_dostring(L(), chunk.c_str()), 0) << lua_tostring(L(), -1);
  }
  HC::ALmanager& open() {
    view->buildInterface(0, 0);
    return *dynamic_cast<HC::ALmanager*>(view->getManager());
  }
  std::string error(const char* name) {
    lua_getglobal(L(), "errors");
    lua_getfield(L(), -1, name);
    const char* text = lua_tostring(L(), -1);
    std::string out = text ? text : "nil";
    lua_pop(L(), 2);
    return out;
  }
  template <typename T>
  std::vector<T*> elementsOf(HC::Manager& manager) {
    std::vector<T*> out;
    for (HC::UIElement* e : manager.getElements())
      if (auto* t = dynamic_cast<T*>(e)) out.push_back(t);
    return out;
  }

  testsupport::UserEnvironment user;
  RecordingHost host;
  std::unique_ptr<HvcQuorvella> effect;
  HvcQuorvellaView* view = nullptr;
};

bool overlap(const HC::BoundingBox& a, const HC::BoundingBox& b) {
  return a.minX < b.maxX && b.minX < a.maxX && a.minY < b.maxY && b.minY < a.maxY;
}

TEST_F(ProductView, BuiltInLayoutFitsItsWindowWithoutOverlaps) {
  HC::ALmanager& manager = open();
  EXPECT_EQ(manager.getWidth(), 818);
  EXPECT_EQ(manager.getHeight(), 318);
  // Every parameter has its field and its knob; the background tile is the manager's to draw.
  EXPECT_EQ(elementsOf<HC::LabelledTextField>(manager).size(), 40u);
  EXPECT_EQ(elementsOf<HC::LumoKnob>(manager).size(), 40u);
  ASSERT_NE(manager.getBackgroundTexture(), nullptr);
  EXPECT_TRUE(manager.getBackgroundTexture()->skipAutoLoad);
  EXPECT_NE(manager.getBackgroundNormalMap(), nullptr);

  std::vector<HC::BoundingBox> placed;
  for (auto* g : elementsOf<HC::NamedGroup>(manager)) placed.push_back(g->windowBox());
  ASSERT_EQ(placed.size(), 11u);
  auto buttons = elementsOf<HC::LumoButton>(manager);
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0]->getId(), HvcQuorvellaView::kPrefsButtonId);
  auto displays = elementsOf<HC::InfoDisplay>(manager);
  ASSERT_EQ(displays.size(), 1u);
  placed.push_back(buttons[0]->windowBox());
  placed.push_back(displays[0]->windowBox());
  for (size_t i = 0; i < placed.size(); ++i) {
    EXPECT_GE(placed[i].minX, 0.0f) << i;
    EXPECT_GE(placed[i].minY, 0.0f) << i;
    EXPECT_LE(placed[i].maxX, 818.0f) << i;
    EXPECT_LE(placed[i].maxY, 318.0f - 30.0f) << i;  // below the banner
    for (size_t j = 0; j < i; ++j) EXPECT_FALSE(overlap(placed[i], placed[j])) << i << " " << j;
  }
}

TEST_F(ProductView, ScriptFunctionsReportTheirErrors) {
  run(std::string(kTry) + R"(
function createUI()
  theKnobRenderer = nil
  try("knob", knob, "Dry Level", "", 0, 0, 37)
  theKnobRenderer = 5
  try("knobNumber", knob, "Dry Level", "", 0, 0, 37)
  try("slider", slider, "Dry Level", 0, 0, 10, 10, "h")
  local atlas = texture("buttons.png")
  local m = levelMeters(atlas, 123, 0, 5, 81)
  try("range", m.add, m, "peak", 2, 0, 0)
  try("negative", m.add, m, "envelope", -1, 0, 0)
  try("kind", m.add, m, "rms", 0, 0, 0)
  try("self", m.add, {}, "peak", 0, 0, 0)
  try("good", m.add, m, "envelope", 1, 0, 0)
  try("meterTexture", levelMeters, "buttons.png", 123, 0, 5, 81)
  try("background2", setBackgroundTexture, atlas, 7)
  try("renderer", knobRenderer, nil, atlas, 1, 1, 37)
  try("field", textField, "No Such", "x", 0, 0, 37, 12)
  kept = m
  theKnobRenderer = knobRenderer(atlas, atlas, 1, 1, 37)
end)");
  open();
  EXPECT_EQ(error("knob"), "couldn't get theKnobRenderer");
  EXPECT_EQ(error("knobNumber"), "couldn't get theKnobRenderer");
  EXPECT_EQ(error("slider"), "no slider support");
  EXPECT_EQ(error("range"), "level meter index out of range: 2");
  EXPECT_EQ(error("negative"), "level meter index out of range: -1");
  EXPECT_EQ(error("kind"), "unknown level meter: rms");
  EXPECT_EQ(error("self"), "levelMeters expected");
  EXPECT_EQ(error("good"), "no error");
  EXPECT_NE(error("meterTexture").find("texture expected"), std::string::npos);
  EXPECT_NE(error("background2").find("bad argument #2"), std::string::npos);
  EXPECT_NE(error("background2").find("texture expected"), std::string::npos);
  EXPECT_NE(error("renderer").find("texture expected"), std::string::npos);
  EXPECT_EQ(error("field"), "parameter not found: 'No Such'");
  view->close();

  // Objects of an earlier opening are refused, never used.
  run(R"(
function createUI()
  try("oldMeters", kept.add, kept, "peak", 0, 0, 0)
  try("oldRenderer", knob, "Dry Level", "", 0, 0, 37)
end)");
  open();
  EXPECT_EQ(error("oldMeters"), "levelMeters from an earlier opening of the editor");
  EXPECT_EQ(error("oldRenderer"), "couldn't get theKnobRenderer");
  // Outside createUI the layout cannot change.
  run(R"(try("outside", infoDisplay, 0, 0, 10, 10))");
  EXPECT_EQ(error("outside"), "the layout can only change while createUI runs");
}

// What an old opening's object becomes once the allocator has given its address to an object
// of this opening: a userdata of the old object's type holding the new object's address.
int forge(lua_State* L) {
  void* pointer = *static_cast<void**>(lua_touserdata(L, 1));
  HC::LayoutScriptObjects::push(L, pointer, luaL_checkstring(L, 2));
  return 1;
}

TEST_F(ProductView, AnOldObjectsAddressNowHoldingAnotherKindIsRefused) {
  lua_register(L(), "forge", forge);
  run(std::string(kTry) + "RENDERER, METERS = '" + HC::ViewScriptExtras::kKnobRendererType +
      "', '" + HC::ViewScriptExtras::kLevelMetersType + R"('
function createUI()
  local atlas = texture("buttons.png")
  local meters = levelMeters(atlas, 123, 0, 5, 81)
  local renderer = knobRenderer(atlas, atlas, 1, 1, 37)
  theKnobRenderer = forge(meters, RENDERER)
  try("rendererAtMeters", knob, "Dry Level", "", 0, 0, 37)
  local fake = forge(renderer, METERS)
  try("metersAtRenderer", fake.add, fake, "peak", 0, 0, 0)
  theKnobRenderer = renderer
  try("renderer", knob, "Dry Level", "", 0, 0, 37)
end)");
  HC::ALmanager& manager = open();
  EXPECT_EQ(error("rendererAtMeters"), "couldn't get theKnobRenderer");
  EXPECT_EQ(error("metersAtRenderer"), "levelMeters from an earlier opening of the editor");
  EXPECT_EQ(error("renderer"), "no error");
  EXPECT_EQ(elementsOf<HC::LumoKnob>(manager).size(), 1u);
}

TEST_F(ProductView, MetersReadTheirKindsSlot) {
  EXPECT_EQ(HC::ViewScriptExtras::meterSlot("peak", 0), 4);  // bytes 16..19
  EXPECT_EQ(HC::ViewScriptExtras::meterSlot("peak", 1), 5);
  EXPECT_EQ(HC::ViewScriptExtras::meterSlot("envelope", 0), 6);  // bytes 24..27
  EXPECT_EQ(HC::ViewScriptExtras::meterSlot("envelope", 1), 7);
  EXPECT_EQ(HC::ViewScriptExtras::meterSlot("envelope", 2), -1);
  EXPECT_EQ(HC::ViewScriptExtras::meterSlot("Peak", 0), -1);
}

TEST_F(ProductView, LabelBelowAFieldCountsAsTheField) {
  HC::ALmanager& manager = open();
  // The manager owns both.
  auto* labelled = new HC::LabelledTextField(0, &manager, "", 10, 20, 37, 12, "Dry");
  auto* plain = new HC::LabelledTextField(0, &manager, "", 10, 20, 37, 12, "");
  HC::BoundingBox a, b;
  labelled->bounds(a);
  plain->bounds(b);
  EXPECT_FLOAT_EQ(a.minY, 10.0f);
  EXPECT_FLOAT_EQ(b.minY, 20.0f);
  EXPECT_FLOAT_EQ(a.maxY, 32.0f);
  EXPECT_FLOAT_EQ(a.maxX, 47.0f);
}

std::string text(float hz) {
  char line[HC::InfoDisplay::kLineBytes];
  HC::InfoDisplay::pitchText(hz, line);
  return line;
}

TEST(InfoDisplayText, NoteOctaveAndCents) {
  EXPECT_EQ(text(440.0f), " 440.0Hz  A 4+0");
  EXPECT_EQ(text(261.6f), " 261.6Hz  C 4-0");  // -0.17 cents keeps its sign
  EXPECT_EQ(text(270.0f), " 270.0Hz  C#4-45");
  EXPECT_EQ(text(27.5f), "  27.5Hz  A 0+0");
  EXPECT_EQ(text(12543.85f).substr(7), "Hz  G 9-0");  // the highest MIDI note
  // Below the lowest MIDI note the pitch class is still one of the twelve names.
  EXPECT_EQ(text(7.0f).substr(0, 15), "   7.0Hz  A#-1-");
}

TEST(InfoDisplayText, NoPitchGivesNoText) {
  EXPECT_EQ(text(0.0f), "");
  EXPECT_EQ(text(-440.0f), "");
  EXPECT_EQ(text(std::numeric_limits<float>::quiet_NaN()), "");
  EXPECT_EQ(text(std::numeric_limits<float>::infinity()), "");
  EXPECT_LT(text(std::numeric_limits<float>::max()).size(), HC::InfoDisplay::kLineBytes);
}

TEST_F(ProductView, SilentChannelsAndMissingPitch) {
  uint32_t block[10] = {};
  auto put = [&](int byte, float value) {
    std::memcpy(reinterpret_cast<unsigned char*>(block) + byte, &value, sizeof value);
  };
  put(8, 440.0f);
  put(12, 270.0f);
  put(24, 0.0000009f);
  put(28, 0.000001f);
  reinterpret_cast<unsigned char*>(block)[33] = 1;
  auto& display = *new HC::InfoDisplay(&open(), 0, 0, 115, 40);  // the manager owns it
  EXPECT_FALSE(display.refresh(block, 0));  // silent: hidden, text kept for later
  EXPECT_TRUE(display.refresh(block, 1));
  EXPECT_STREQ(display.line(0), " 440.0Hz  A 4+0");
  EXPECT_STREQ(display.line(1), " 270.0Hz  C#4-45");
  put(12, 440.0f);
  EXPECT_TRUE(display.refresh(block, 1));
  EXPECT_STREQ(display.line(1), " 440.0Hz  A 4+0");
  EXPECT_FALSE(HC::InfoDisplay::noPitchOf(block, 0));
  EXPECT_TRUE(HC::InfoDisplay::noPitchOf(block, 1));  // drawn red
}

}  // namespace
