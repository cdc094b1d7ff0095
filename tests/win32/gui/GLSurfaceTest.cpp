// The GL surfaces on Windows: the window's context with the pixel format the editor asks
// for, drawn from a render thread of its own; the window destroyed under a surface; and the
// off-screen bitmap where labels are drawn without framebuffer objects.
#include <gtest/gtest.h>

#include <windows.h>
#include <GL/gl.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "TestHostWindow.h"
#include "platform/EditorWindow.h"
#include "platform/GLSurface.h"
#include "platform/OffscreenGLSurface.h"

using platform::GLSurface;
using platform::OffscreenGLSurface;
using wintest::TestHostWindow;

namespace {

struct Pixel {
  int r = -1, g = -1, b = -1;
};

bool looksLike(const Pixel& p, int r, int g, int b) {
  return std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2;
}

Pixel pixelAt(const std::vector<unsigned char>& rgb, int x, int row) {
  const size_t i = (static_cast<size_t>(row) * OffscreenGLSurface::kWidth + x) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

class GLSurfaceTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.create(host.id(), 64, 48)); }
  TestHostWindow host;
  platform::EditorWindow window;
};

TEST_F(GLSurfaceTest, RenderThreadDrawsIntoTheWindowWithTheAskedPixelFormat) {
  PIXELFORMATDESCRIPTOR format{};
  bool created = false;
  unsigned char rgb[3] = {};
  // As the editor does it: the window made on this thread, drawn from another.
  std::thread render([&] {
    GLSurface surface;
    created = surface.create(window.handle()) && wglGetCurrentContext() != nullptr;
    if (!created) return;
    HDC dc = wglGetCurrentDC();
    DescribePixelFormat(dc, GetPixelFormat(dc), sizeof format, &format);
    glViewport(0, 0, 64, 48);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(32, 24, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    surface.swapBuffers();
    surface.doneCurrent();
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_TRUE(surface.makeCurrent());
  });
  render.join();
  ASSERT_TRUE(created);
  const DWORD asked = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  EXPECT_EQ(format.dwFlags & asked, asked);
  EXPECT_EQ(format.iPixelType, PFD_TYPE_RGBA);
  EXPECT_GE(format.cColorBits, 24);
  EXPECT_GE(format.cDepthBits, 16);
  EXPECT_TRUE(looksLike({rgb[0], rgb[1], rgb[2]}, 51, 102, 153)) << +rgb[0] << " " << +rgb[1] << " " << +rgb[2];
}

TEST_F(GLSurfaceTest, NoDrawingWithoutTheWindow) {
  GLSurface surface;
  ASSERT_TRUE(surface.create(window.handle()));
  ASSERT_TRUE(surface.makeCurrent());
  host.destroy();  // and with it the editor's window
  EXPECT_FALSE(surface.makeCurrent());
  EXPECT_EQ(wglGetCurrentContext(), nullptr) << "the frame's GL calls must go nowhere";
  surface.swapBuffers();
  EXPECT_FALSE(surface.makeCurrent()) << "and it stays that way";
  surface.destroy();
  EXPECT_FALSE(surface.valid());
  // Nothing to draw into from the start: the message, and no surface.
  EXPECT_FALSE(surface.create(0));
  EXPECT_FALSE(surface.create(0x7ff0));
  EXPECT_FALSE(surface.valid());
}

// The labels' bitmap surface, created and current; skips where the system has no GL for
// bitmaps at all.
class OffscreenGLSurfaceTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!surface.create()) {
      if (wintest::runningUnderWine())
        GTEST_SKIP() << "This Wine cannot render OpenGL into a memory bitmap (it needs OSMesa: "
                        "libOSMesa.so.8, Debian's libosmesa6 for the program's architecture)";
      FAIL() << "no GL context on a memory bitmap";
    }
    EXPECT_FALSE(surface.readPixels(rgb.data())) << "not current yet";
    ASSERT_TRUE(surface.makeCurrent());
    glViewport(0, 0, OffscreenGLSurface::kWidth, OffscreenGLSurface::kHeight);
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  OffscreenGLSurface surface;
  std::vector<unsigned char> rgb =
      std::vector<unsigned char>(OffscreenGLSurface::kWidth * OffscreenGLSurface::kHeight * 3);
};

TEST_F(OffscreenGLSurfaceTest, ReadsTheBitmapAsRedGreenBlue) {
  ASSERT_TRUE(surface.readPixels(rgb.data()));
  for (int row : {0, 255, OffscreenGLSurface::kHeight - 1})
    for (int x : {0, 1, 2, 511, OffscreenGLSurface::kWidth - 1}) {
      const Pixel p = pixelAt(rgb, x, row);
      EXPECT_TRUE(looksLike(p, 255, 128, 0)) << x << "," << row << ": " << p.r << " " << p.g << " " << p.b;
    }
  surface.doneCurrent();
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  surface.destroy();
  EXPECT_FALSE(surface.valid());
  EXPECT_FALSE(surface.makeCurrent());
}

TEST_F(OffscreenGLSurfaceTest, DrawnPicturesComeBackBottomRowFirst) {
  if (wintest::runningUnderWine())
    GTEST_SKIP() << "Wine's bitmap renderer (OSMesa) garbles what is drawn into 24-bit bitmaps: "
                    "whole-surface clears come through, but drawn and scissored pixels land at "
                    "wrong byte offsets (seen with Wine 8.0 and Mesa 22.3), so this is checked on "
                    "Windows only";
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // The lower quarter in another colour: it must come first in what readPixels gives.
  glColor3f(0.0f, 0.25f, 1.0f);
  glBegin(GL_QUADS);
  glVertex2f(-1.0f, -1.0f);
  glVertex2f(1.0f, -1.0f);
  glVertex2f(1.0f, -0.5f);
  glVertex2f(-1.0f, -0.5f);
  glEnd();
  ASSERT_TRUE(surface.readPixels(rgb.data()));
  const int top = OffscreenGLSurface::kHeight - 1;
  EXPECT_TRUE(looksLike(pixelAt(rgb, 0, 0), 0, 64, 255));
  EXPECT_TRUE(looksLike(pixelAt(rgb, 1023, 100), 0, 64, 255));
  EXPECT_TRUE(looksLike(pixelAt(rgb, 0, top), 255, 128, 0));
  EXPECT_TRUE(looksLike(pixelAt(rgb, 700, 300), 255, 128, 0));
}

}  // namespace
