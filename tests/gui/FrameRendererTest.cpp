// The render thread's frame decisions, with the frame run on the test's own thread into a
// real child window on the private Xvfb: what makes a frame draw, what lets it skip, the
// constant-redraw refresh, and a hidden window that draws nothing until shown again.
#include <gtest/gtest.h>

#include <cstring>

#include "GuiTestSupport.h"
#include "gui/EditorOptions.h"
#include "gui/FrameRenderer.h"
#include "gui/Manager.h"
#include "platform/EditorWindow.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"

namespace {

// Meter values come from the test instead of the signal path.
struct MeteredEffect : guitest::TestEffect {
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

TEST_F(FrameRendererTest, ConstantRedrawDrawsAnUnchangedPictureOnceInAWhile) {
  EXPECT_TRUE(renderer->frame());
  ASSERT_TRUE(rest());
  int drawn = 0;
  for (int i = 0; i < 3 * HC::FrameRenderer::kRefreshFrames; ++i) drawn += renderer->frame();
  EXPECT_EQ(drawn, 3);
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

}  // namespace
