// The render thread's frame decisions, with the frame run on the test's own thread into a
// real child window on the private Xvfb: what makes a frame draw, what lets it skip, the
// constant-redraw refresh, a hidden window that draws nothing until shown again, and
// meter-only frames that redraw their areas to the very pixels of a whole frame.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "GuiTestSupport.h"
#include "PNGTestImages.h"
#include "gui/editor/FrameRenderer.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Manager.h"
#include "gui/product/TexturedMeters.h"
#include "gui/text/Texture.h"
#include "platform/EditorWindow.h"
#include "support/TempFolder.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"

namespace {

// Meter values come from the test instead of the signal path. Two programs, for a host's
// program change.
struct MeteredEffect : guitest::TestEffect {
  MeteredEffect() : TestEffect(2) {}
  uint32_t meters[10] = {};
  void copyMeterValues(void* buffer) override { std::memcpy(buffer, meters, sizeof meters); }
};

class FrameRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    parent = driver.createWindow(200, 100);
    ASSERT_NE(parent, 0u);
    manager.setWindowSize(200, 100);
    ASSERT_TRUE(window.create(parent, 200, 100));
    manager.window = window.handle();
    // Four meters filled from an atlas of stripes, watching the first four meter values.
    testsupport::Bytes pixels;
    for (uint32_t y = 0; y < 32; ++y)
      for (uint32_t x = 0; x < 16; ++x)
        pixels.insert(pixels.end(),
                      {uint8_t(40 + 6 * y), uint8_t(200 - 5 * y), uint8_t(15 * x), 255});
    std::string atlasFile = folder.path() + "/atlas.png";
    ASSERT_TRUE(testsupport::writeBytes(
        atlasFile, testsupport::encodePNG(16, 32, PNG_COLOR_TYPE_RGBA, 8, pixels)));
    auto* atlas = new HC::Texture(atlasFile);
    manager.registerTexture(atlas);
    auto* meters = new HC::TexturedMeters(&manager, atlas, 4, 0, 6, 30);
    for (int i = 0; i < 4; ++i) meters->addMeter(20.0f + 9 * i, 40.0f, &manager.meterValues[i]);
    manager.addEffect(meters);
    renderer.reset(new HC::FrameRenderer(&manager, &effect, &task.timing(), true));
    renderer->setUp();
  }
  void TearDown() override {
    if (renderer) renderer->tearDown();
    HC::EditorOptions::setConstantRedraw(true);
  }

  // Runs the frames of some 20 seconds, in which the hover light comes to rest at the
  // window's centre (to the last bits of its position); false when the last of them drew
  // without constant redraw.
  bool rest() {
    bool drew = false;
    for (int i = 0; i < 600; ++i) drew = renderer->frame();
    return !drew || HC::EditorOptions::constantRedraw();
  }

  // The back buffer as the frames left it: RGB rows, bottom row first.
  std::vector<unsigned char> backBuffer() {
    std::vector<unsigned char> rgb(200 * 100 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 200, 100, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }
  static uint32_t level(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
  }

  testsupport::TempFolder folder;
  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  testsupport::XTestDriver driver;
  uintptr_t parent = 0;
  MeteredEffect effect;
  HC::Manager manager{nullptr, &effect};
  platform::EditorWindow window;
  HC::RenderTask task;  // not started: only its timing is read
  std::unique_ptr<HC::FrameRenderer> renderer;
};

TEST_F(FrameRendererTest, WithoutConstantRedrawOnlyAChangeDraws) {
  HC::EditorOptions::setConstantRedraw(false);
  EXPECT_TRUE(renderer->frame()) << "the first frame";
  ASSERT_TRUE(rest());
  for (int i = 0; i < 2 * HC::FrameRenderer::kRefreshFrames; ++i)
    ASSERT_FALSE(renderer->frame()) << "nothing changed, frame " << i;

  manager.noteChange();  // what input and parameter deliveries do
  EXPECT_TRUE(renderer->frame());
  EXPECT_FALSE(renderer->frame());

  effect.meters[0] = 0x3f000000;  // a level of 0.5
  EXPECT_TRUE(renderer->frame());
  EXPECT_FALSE(renderer->frame());

  renderer->labels();
  EXPECT_TRUE(renderer->frame()) << "a labels pass shows in the next frame";
  EXPECT_FALSE(renderer->frame());

  manager.pictureLost();
  EXPECT_TRUE(renderer->frame()) << "the window system lost the picture";
  EXPECT_FALSE(renderer->frame());

  HC::EditorOptions::setEyeCandy(false);
  EXPECT_TRUE(renderer->frame()) << "the preference changes the picture";
  HC::EditorOptions::setEyeCandy(true);
  EXPECT_TRUE(renderer->frame());
}

// The text fields read the current values as they draw, but a host's program change and a
// value set straight into the program (OSC, MIDI scripts) tell no control: the next frame
// must draw all the same, with or without constant redraw.
TEST_F(FrameRendererTest, ValuesChangedWithoutTellingTheControlsDrawTheNextFrame) {
  effect.setProgram(1);
  effect.setPlainValue(guitest::kCutoff, 440.0f);
  effect.setProgram(0);
  HC::EditorOptions::setConstantRedraw(false);
  EXPECT_TRUE(renderer->frame()) << "the first frame";
  ASSERT_TRUE(rest());

  effect.setProgram(1);
  EXPECT_TRUE(renderer->frame()) << "the host changed the program";
  EXPECT_FALSE(renderer->frame());
  effect.setPlainValue(guitest::kOffset, -3.0f);
  EXPECT_TRUE(renderer->frame()) << "a value set into the current program";
  EXPECT_FALSE(renderer->frame());
  effect.setPlainValue(guitest::kOffset, -3.0f);
  EXPECT_FALSE(renderer->frame()) << "the same value again changes nothing";
  effect.setPlainValue(guitest::kOffset, std::nanf(""));
  EXPECT_TRUE(renderer->frame());
  EXPECT_FALSE(renderer->frame()) << "a value that stays NaN";

  // Meters and values together: the whole picture, not only the meters' areas.
  effect.setProgram(0);
  effect.meters[1] = 0x3f000000;
  const uint32_t regions = renderer->regionFrames();
  EXPECT_TRUE(renderer->frame());
  EXPECT_EQ(renderer->regionFrames(), regions);
}

TEST_F(FrameRendererTest, ConstantRedrawDrawsAnUnchangedPictureOnceInAWhile) {
  EXPECT_TRUE(renderer->frame());
  ASSERT_TRUE(rest());
  int drawn = 0;
  for (int i = 0; i < 3 * HC::FrameRenderer::kRefreshFrames; ++i) drawn += renderer->frame();
  EXPECT_EQ(drawn, 3);
  if (!renderer->drawsRegions()) return;  // there each refresh draws a whole frame

  // Where frames are shown in parts, a refresh shows the back buffer again, which repairs a
  // picture lost behind the editor's back without drawing.
  testsupport::Image before, after;
  ASSERT_TRUE(driver.screenshot(window.handle(), before));
  driver.paintOver(window.handle(), {255, 0, 255});
  const uint32_t reshown = renderer->reshownFrames();
  for (int i = 0; i < HC::FrameRenderer::kRefreshFrames; ++i) drawn += renderer->frame();
  EXPECT_EQ(renderer->reshownFrames(), reshown + 1);
  glFinish();
  ASSERT_TRUE(driver.screenshot(window.handle(), after));
  EXPECT_EQ(after.count({255, 0, 255}, 0, 0, 200, 100, 0), 0);
  EXPECT_TRUE(before.rgb == after.rgb) << "the refresh did not bring the picture back";
}

TEST_F(FrameRendererTest, AHiddenWindowDrawsNothingUntilShownAgain) {
  EXPECT_TRUE(renderer->frame());
  ASSERT_TRUE(rest());
  EXPECT_FALSE(renderer->hidden());

  driver.unmapWindow(parent);  // the host hides its window
  for (int i = 0; i < 2 * HC::FrameRenderer::kRefreshFrames; ++i) {
    manager.noteChange();
    effect.meters[1] = static_cast<uint32_t>(i);
    ASSERT_FALSE(renderer->frame()) << "drew into a hidden window, frame " << i;
    ASSERT_TRUE(renderer->hidden());
  }

  driver.mapWindow(parent);
  EXPECT_TRUE(renderer->frame()) << "the first frame after showing draws";
  EXPECT_FALSE(renderer->hidden());
  EXPECT_FALSE(renderer->frame());

  // A minimised or hidden child counts as well.
  driver.unmapWindow(window.handle());
  EXPECT_FALSE(renderer->frame());
  EXPECT_TRUE(renderer->hidden());
}

TEST_F(FrameRendererTest, MetersAloneRedrawTheirAreasToThePixelsOfAWholeFrame) {
  if (!renderer->drawsRegions()) GTEST_SKIP() << "this GLX cannot show part of a frame";
  HC::EditorOptions::setConstantRedraw(false);
  EXPECT_TRUE(renderer->frame());
  ASSERT_TRUE(rest());
  const float rounds[][4] = {{0.9f, 0.1f, 0.6f, 0.0f}, {0.2f, 1.0f, 0.35f, 0.7f},
                             {0.2f, 0.0f, 0.8f, 0.05f}, {0.0f, 0.0f, 0.0f, 0.4f}};
  uint32_t regions = renderer->regionFrames();
  for (const auto& values : rounds) {
    // Two meter-only frames in a row (the values turned by one meter, then as given), the
    // second over the first's areas.
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 0; i < 4; ++i) effect.meters[i] = level(values[(i + 1 - pass) % 4]);
      ASSERT_TRUE(renderer->frame());
    }
    std::vector<unsigned char> inPart = backBuffer();
    renderer->labels();  // the next frame is whole
    ASSERT_TRUE(renderer->frame());
    EXPECT_TRUE(inPart == backBuffer()) << "meters at " << values[0] << ", " << values[1];
  }
  EXPECT_EQ(renderer->regionFrames(), regions + 8);
}

}  // namespace
