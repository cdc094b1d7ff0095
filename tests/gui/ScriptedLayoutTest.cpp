// A layout built by its script, through the real boundary: the scripted test plug-in loaded
// by the host library, shown on the private Xvfb and clicked through XTEST.
#include <gtest/gtest.h>

#include "faces/vst2/AEffect.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/EditorFixture.h"
#include "tests/gui/scripted/ScriptedLayout.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using namespace scriptedtest;
using testsupport::Image;
using testsupport::Pixel;

int row(int y) { return kHeight - 1 - y; }

Pixel background() {
  return {static_cast<int>(kBackground[0] * 255 + 0.5f), static_cast<int>(kBackground[1] * 255 + 0.5f),
          static_cast<int>(kBackground[2] * 255 + 0.5f)};
}

class ScriptedLayout : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    ASSERT_EQ(library.open(QUORVELLA_SCRIPTED_PLUGIN_PATH), "");
    driver.movePointer(driver.rootWindow(), 1270, 1500);
  }
  bool displayReady = testsupport::XvfbDisplay::shared().ok();  // before the driver connects
  testsupport::XTestDriver driver;
  vsthost::PluginLibrary library;
};

TEST_F(ScriptedLayout, ShowsTheScriptsGroupAndRunsItsButton) {
  vsthost::HostedEffect effect(library);
  ASSERT_TRUE(effect.valid()) << effect.error();
  ERect* rect = nullptr;
  effect.dispatch(effEditGetRect, 0, 0, &rect);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, kWidth);  // known before the first opening
  EXPECT_EQ(rect->bottom - rect->top, kHeight);

  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("scripted layout", error)) << error;
  driver.moveWindow(host.window(), 0, 0);
  Image picture;
  // Drawn: an empty spot shows the script's background colour and the group's bottom frame
  // line (white while nothing is hovered) crosses the window there.
  auto shown = [](const Image& image) {
    return image.count(background(), 150, row(60), 170, row(40), 6) == 20 * 20 &&
           image.count(Pixel{255, 255, 255}, kFrameLeft + 5, row(kFrameBottom) - 1, kFrameRight - 5,
                       row(kFrameBottom) + 2, 40) >= kFrameRight - kFrameLeft - 10;
  };
  bool drawn = false;
  for (int i = 0; i < 3000 && !drawn; ++i) {
    ASSERT_TRUE(host.idle());
    uintptr_t child = editortest::editorWindow(driver, host);
    drawn = child && driver.screenshot(child, picture) && shown(picture);
    if (!drawn) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(drawn) << "the scripted layout never showed its group";

  EXPECT_EQ(effect.getParameter(kDryLevel), 0.0f);
  uintptr_t child = editortest::editorWindow(driver, host);
  driver.movePointer(child, kButtonX, row(kButtonY));
  driver.pressButton();
  driver.releaseButton();
  for (int i = 0; i < 3000 && effect.getParameter(kDryLevel) != 1.0f; ++i) {
    ASSERT_TRUE(host.idle());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(effect.getParameter(kDryLevel), 1.0f);
  host.close();
}

}  // namespace
