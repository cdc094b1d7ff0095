// The window visual that the editor's windows remember per X server: every connection gets
// the very visual GLX would choose, and a window made with the remembered one is one the
// render thread's GL context can draw into.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <future>
#include <thread>

#include "platform/EditorWindow.h"
#include "platform/GLSurface.h"
#include "platform/posix/GLXConfigs.h"
#include "platform/posix/GLXWindowVisual.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"

using platform::GLXWindowVisual;
using testsupport::Pixel;

namespace {

class GLXWindowVisualTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    GLXWindowVisual::forget();
  }
  void TearDown() override {
    for (Display* d : connections) XCloseDisplay(d);
  }
  Display* connect() {
    Display* d = XOpenDisplay(nullptr);
    if (d) connections.push_back(d);
    return d;
  }
  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  testsupport::XTestDriver driver;
  std::vector<Display*> connections;
};

TEST_F(GLXWindowVisualTest, EveryConnectionGetsTheVisualGLXChooses) {
  Display* first = connect();
  Display* second = connect();
  ASSERT_TRUE(first && second);
  const int screen = DefaultScreen(first);
  GLXFBConfig config = platform::GLXConfigs::window(first, screen);
  ASSERT_NE(config, nullptr);
  XVisualInfo* chosen = glXGetVisualFromFBConfig(first, config);
  ASSERT_NE(chosen, nullptr);
  const VisualID id = chosen->visualid;
  const int depth = chosen->depth;
  XFree(chosen);

  // Learnt on one connection, answered on the other without asking GLX there.
  for (Display* d : {first, second, second}) {
    Visual* visual = nullptr;
    int got = 0;
    ASSERT_TRUE(GLXWindowVisual::find(d, screen, visual, got));
    ASSERT_NE(visual, nullptr);
    EXPECT_EQ(XVisualIDFromVisual(visual), id);
    EXPECT_EQ(got, depth);
  }

  // A screen the server does not have: no answer, nothing written.
  Visual* untouched = nullptr;
  int depthUntouched = -1;
  EXPECT_FALSE(GLXWindowVisual::find(second, ScreenCount(second), untouched, depthUntouched));
  EXPECT_FALSE(GLXWindowVisual::find(nullptr, 0, untouched, depthUntouched));
  EXPECT_EQ(untouched, nullptr);
  EXPECT_EQ(depthUntouched, -1);
}

// The second window is made with the remembered visual; both must take GL drawing.
TEST_F(GLXWindowVisualTest, WindowsMadeWithTheRememberedVisualTakeGLDrawing) {
  uintptr_t parent = driver.createWindow(200, 100);
  const float colours[2][3] = {{0.2f, 0.4f, 0.8f}, {0.8f, 0.4f, 0.2f}};
  const Pixel expected[2] = {Pixel{51, 102, 204}, Pixel{204, 102, 51}};
  for (int i = 0; i < 2; ++i) {
    platform::EditorWindow window;
    ASSERT_TRUE(window.create(parent, 40, 30)) << "window " << i;
    std::promise<bool> drawn;
    std::promise<void> looked;
    std::thread render([&] {
      platform::GLSurface surface;
      bool ok = surface.create(window.handle());
      if (ok) {
        glClearColor(colours[i][0], colours[i][1], colours[i][2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        surface.swapBuffers();
        surface.finish();
      }
      drawn.set_value(ok);
      looked.get_future().wait();
    });
    bool ok = drawn.get_future().get();
    testsupport::Image picture;
    bool shot = ok && driver.screenshot(window.handle(), picture);
    looked.set_value();
    render.join();
    ASSERT_TRUE(ok) << "window " << i;
    ASSERT_TRUE(shot);
    EXPECT_EQ(picture.count(expected[i], 0, 0, 40, 30, 2), 40 * 30) << "window " << i;
  }
}

}  // namespace
