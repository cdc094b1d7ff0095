// GL drawing through the platform seam: the window context on its own thread and
// connection, the context a closed surface leaves to the next one, the off-screen labels
// target and its orientation, switching between the two on one thread, and failures that
// must stay failures rather than crashes.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glx.h>

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

bool isIdentity(GLenum matrix) {
  GLfloat m[16];
  glGetFloatv(matrix, m);
  for (int i = 0; i < 16; ++i)
    if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) return false;
  return true;
}

// The next editor gets the closed one's context, as a fresh context would be: whatever the
// last one left set, bound or enabled is back at GL's initial values, and it draws into its
// own window of another size.
TEST_F(GLSurfaceTest, AClosedSurfacesContextServesTheNextAsIfFresh) {
  GLSurface::releaseSpare();
  platform::EditorWindow first, second;
  ASSERT_TRUE(first.create(parent, 32, 32));
  ASSERT_TRUE(second.create(parent, 48, 24));
  GLXContext used = nullptr;
  {
    GLSurface surface;
    ASSERT_TRUE(surface.create(first.handle()));
    used = glXGetCurrentContext();
    glEnable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glDepthRange(0.0, 0.1);
    glClearColor(1, 0, 0, 1);
    glColor4f(0.5f, 0.25f, 0.125f, 0.5f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    const GLfloat lamp[4] = {5, 5, 5, 1};
    glLightfv(GL_LIGHT1, GL_POSITION, lamp);
    glEnable(GL_LIGHT1);
    glAlphaFunc(GL_GREATER, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glScalef(2, 2, 2);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    GLuint textures[2] = {0, 0};
    glGenTextures(2, textures);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_TEXTURE);
    glScalef(3, 3, 3);
    surface.destroy();
  }
  GLSurface surface;
  ASSERT_TRUE(surface.create(second.handle()));
  EXPECT_EQ(glXGetCurrentContext(), used) << "the closed surface's context is taken again";
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
  GLfloat range[2], clear[4], colour[4];
  glGetFloatv(GL_DEPTH_RANGE, range);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(range[0], 0.0f);
  EXPECT_EQ(range[1], 1.0f);
  EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
  EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
  GLint alignment = 0, bound = -1, mode = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(alignment, 4);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_TRUE(isIdentity(GL_PROJECTION_MATRIX));
  EXPECT_TRUE(isIdentity(GL_MODELVIEW_MATRIX));
  GLfloat lamp[4];
  glGetLightfv(GL_LIGHT1, GL_POSITION, lamp);
  EXPECT_EQ(lamp[0] + lamp[1] + lamp[3], 0.0f);
  EXPECT_EQ(lamp[2], 1.0f);
  EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
  GLint alphaFunc = 0, blendSource = 0;
  glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
  glGetIntegerv(GL_BLEND_SRC, &blendSource);
  EXPECT_EQ(alphaFunc, GL_ALWAYS);
  EXPECT_EQ(blendSource, GL_ONE);
  GLint unit = 0, envMode = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  EXPECT_EQ(unit, GL_TEXTURE0);
  glActiveTexture(GL_TEXTURE1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
  EXPECT_EQ(bound, 0);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(envMode, GL_MODULATE);
  EXPECT_TRUE(isIdentity(GL_TEXTURE_MATRIX));
  glActiveTexture(GL_TEXTURE0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  glViewport(0, 0, 48, 24);
  clearTo(0, 0, 1);
  surface.swapBuffers();
  surface.finish();
  testsupport::Image picture;
  ASSERT_TRUE(driver.screenshot(second.handle(), picture));
  EXPECT_EQ(picture.count(Pixel{0, 0, 255}, 0, 0, 48, 24, 2), 48 * 24);
  surface.destroy();

  // A surface asked to draw into a window that is not there fails, and the context waits on.
  {
    testsupport::StreamCapture err(2);
    GLSurface nowhere;
    EXPECT_FALSE(nowhere.create(0x3ffffff0));
    err.stop();
  }
  GLSurface third;
  ASSERT_TRUE(third.create(first.handle()));
  EXPECT_EQ(glXGetCurrentContext(), used);
  third.destroy();
  GLSurface::releaseSpare();
  GLSurface::releaseSpare();  // nothing waits any more: nothing happens
}

// Two surfaces alive at once never share a context: the second makes its own.
TEST_F(GLSurfaceTest, TheSpareContextServesOneSurfaceAtATime) {
  GLSurface::releaseSpare();
  platform::EditorWindow a, b;
  ASSERT_TRUE(a.create(parent, 16, 16));
  ASSERT_TRUE(b.create(parent, 16, 16));
  GLXContext spare = nullptr;
  {
    GLSurface surface;
    ASSERT_TRUE(surface.create(a.handle()));
    spare = glXGetCurrentContext();
  }
  GLSurface one;
  ASSERT_TRUE(one.create(a.handle()));
  EXPECT_EQ(glXGetCurrentContext(), spare);
  std::promise<GLXContext> made;
  std::thread other([&] {
    GLSurface two;
    made.set_value(two.create(b.handle()) ? glXGetCurrentContext() : nullptr);
  });
  GLXContext second = made.get_future().get();
  other.join();
  EXPECT_NE(second, nullptr);
  EXPECT_NE(second, spare);
  one.destroy();
  GLSurface::releaseSpare();
}

}  // namespace
