// GL drawing through the platform seam: the window context on its own thread and
// connection, the off-screen labels target and its orientation, switching between the two
// on one thread, and failures that must stay failures rather than crashes.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <future>
#include <thread>
#include <vector>

#include "platform/EditorWindow.h"
#include "platform/GLSurface.h"
#include "platform/MessageBox.h"
#include "platform/OffscreenGLSurface.h"
#include "support/StreamCapture.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"

using platform::GLSurface;
using platform::OffscreenGLSurface;
using testsupport::Pixel;
using testsupport::XTestDriver;

namespace {

class GLSurfaceTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    parent = driver.createWindow(200, 100);
  }
  // Before the driver, which connects to the display that this starts.
  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  XTestDriver driver;
  uintptr_t parent = 0;
};

void clearTo(float r, float g, float b) {
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

TEST_F(GLSurfaceTest, RenderThreadDrawsIntoTheWindowWithDepth) {
  platform::EditorWindow window;
  ASSERT_TRUE(window.create(parent, 64, 48));
  std::promise<bool> drawn;
  std::promise<void> looked;
  std::thread render([&] {
    GLSurface surface;
    bool ok = surface.create(window.handle());
    if (ok) {
      GLint depthBits = 0;
      glGetIntegerv(GL_DEPTH_BITS, &depthBits);
      ok = depthBits >= 16;
      clearTo(0.2f, 0.4f, 0.8f);
      surface.swapBuffers();
      surface.finish();
    }
    drawn.set_value(ok);
    looked.get_future().wait();
  });
  ASSERT_TRUE(drawn.get_future().get());
  testsupport::Image picture;
  ASSERT_TRUE(driver.screenshot(window.handle(), picture));
  looked.set_value();
  render.join();
  EXPECT_EQ(picture.count(Pixel{51, 102, 204}, 0, 0, 64, 48, 2), 64 * 48);
}

TEST_F(GLSurfaceTest, DrawingOnAfterTheHostDestroyedTheWindowIsHarmless) {
  platform::EditorWindow window;
  ASSERT_TRUE(window.create(parent, 64, 48));
  GLSurface surface;
  ASSERT_TRUE(surface.create(window.handle()));
  driver.destroyWindow(parent);
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_FALSE(surface.makeCurrent());
    clearTo(1, 0, 0);
    surface.swapBuffers();
    surface.finish();
  }
  surface.destroy();
  window.destroy();
  EXPECT_FALSE(surface.valid());
}

TEST_F(GLSurfaceTest, FailuresAreReportedAsErrorMessages) {
  testsupport::StreamCapture err(2);
  GLSurface surface;
  EXPECT_FALSE(surface.create(0));
  EXPECT_FALSE(surface.create(0x3ffffff0));
  EXPECT_FALSE(surface.valid());
  EXPECT_FALSE(surface.makeCurrent());
  surface.swapBuffers();  // without a context: nothing
  platform::messageBox(nullptr, nullptr);
  std::string text = err.stop();
  EXPECT_EQ(err.count("Error: The editor window to draw into does not exist\n"), 2u) << text;
  EXPECT_NE(text.find("\n: \n"), std::string::npos);
}

TEST_F(GLSurfaceTest, OffscreenTargetReadsBackBottomRowFirst) {
  OffscreenGLSurface labels;
  ASSERT_TRUE(labels.create());
  std::vector<unsigned char> rgb(OffscreenGLSurface::kWidth * OffscreenGLSurface::kHeight * 3);
  EXPECT_FALSE(labels.readPixels(rgb.data())) << "read without its context current";
  ASSERT_TRUE(labels.makeCurrent());
  glViewport(0, 0, OffscreenGLSurface::kWidth, OffscreenGLSurface::kHeight);
  clearTo(0, 0, 1);
  // The upper half red: GL's y grows upwards.
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, OffscreenGLSurface::kHeight / 2, OffscreenGLSurface::kWidth,
            OffscreenGLSurface::kHeight / 2);
  clearTo(1, 0, 0);
  glDisable(GL_SCISSOR_TEST);
  ASSERT_TRUE(labels.readPixels(rgb.data()));
  auto at = [&](int x, int row) {
    const unsigned char* p = &rgb[(static_cast<size_t>(row) * OffscreenGLSurface::kWidth + x) * 3];
    return Pixel{p[0], p[1], p[2]};
  };
  EXPECT_EQ(at(0, 0).b, 255);
  EXPECT_EQ(at(1023, 255).b, 255);
  EXPECT_EQ(at(0, 256).r, 255);
  EXPECT_EQ(at(1023, 511).r, 255);
  EXPECT_EQ(at(1023, 511).b, 0);
  labels.doneCurrent();
}

TEST_F(GLSurfaceTest, WindowAndOffscreenContextsAlternateOnOneThread) {
  platform::EditorWindow window;
  ASSERT_TRUE(window.create(parent, 32, 32));
  GLSurface surface;
  ASSERT_TRUE(surface.create(window.handle()));
  OffscreenGLSurface labels;
  ASSERT_TRUE(labels.create());
  std::vector<unsigned char> rgb(OffscreenGLSurface::kWidth * OffscreenGLSurface::kHeight * 3);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(labels.makeCurrent());
    clearTo(0, 1, 0);
    ASSERT_TRUE(labels.readPixels(rgb.data()));
    ASSERT_TRUE(surface.makeCurrent());
    glViewport(0, 0, 32, 32);
    clearTo(1, 1, 0);
    surface.swapBuffers();
    surface.finish();
  }
  EXPECT_EQ((Pixel{rgb[0], rgb[1], rgb[2]}).g, 255);
  testsupport::Image picture;
  ASSERT_TRUE(driver.screenshot(window.handle(), picture));
  EXPECT_EQ(picture.count(Pixel{255, 255, 0}, 0, 0, 32, 32, 2), 32 * 32);
}

TEST_F(GLSurfaceTest, TwoEditorsDrawAtOnceOnTheirOwnThreads) {
  platform::EditorWindow a, b;
  uintptr_t otherParent = driver.createWindow(100, 100);
  ASSERT_TRUE(a.create(parent, 40, 40));
  ASSERT_TRUE(b.create(otherParent, 40, 40));
  auto draw = [](uintptr_t target, float red, std::promise<bool>& done,
                 std::shared_future<void> release) {
    GLSurface surface;
    bool ok = surface.create(target);
    for (int frame = 0; ok && frame < 20; ++frame) {
      clearTo(red, 0.5f, 0.5f);
      surface.swapBuffers();
    }
    if (ok) surface.finish();
    done.set_value(ok);
    release.wait();
  };
  std::promise<bool> doneA, doneB;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::thread ta(draw, a.handle(), 0.0f, std::ref(doneA), released);
  std::thread tb(draw, b.handle(), 1.0f, std::ref(doneB), released);
  bool okA = doneA.get_future().get(), okB = doneB.get_future().get();
  testsupport::Image pa, pb;
  bool shotA = driver.screenshot(a.handle(), pa), shotB = driver.screenshot(b.handle(), pb);
  release.set_value();
  ta.join();
  tb.join();
  ASSERT_TRUE(okA && okB && shotA && shotB);
  EXPECT_EQ(pa.count(Pixel{0, 128, 128}, 0, 0, 40, 40, 2), 40 * 40);
  EXPECT_EQ(pb.count(Pixel{255, 128, 128}, 0, 0, 40, 40, 2), 40 * 40);
}

}  // namespace
