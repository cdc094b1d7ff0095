// The editor's child window under a real X server: creation rules, input translation,
// press gestures with capture, keyboard focus, and survival when the host or the server
// takes the window away.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <functional>
#include <vector>

#include "platform/EditorWindow.h"
#include "platform/WindowCount.h"
#include "support/ScopedEnv.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"

using platform::EditorWindow;
using platform::WindowEvent;
using testsupport::XTestDriver;

namespace {

// Records events; on a button press it runs a gesture loop until the release, as the
// editor's press handling does, and records the gesture's events too.
struct Recorder : platform::WindowEventSink {
  explicit Recorder(EditorWindow& w) : window(w) {}
  void windowEvent(const WindowEvent& e) override {
    events.push_back(e);
    if (e.type != WindowEvent::ButtonDown || !gestures) return;
    window.beginCapture();
    WindowEvent g;
    gestureEnded = false;
    while (window.nextGestureEvent(g, 20000)) {
      gesture.push_back(g);
      if (g.type == WindowEvent::ButtonUp) {
        gestureEnded = true;
        break;
      }
    }
    window.endCapture();
  }
  std::vector<WindowEvent::Type> types() const {
    std::vector<WindowEvent::Type> t;
    for (auto& e : events) t.push_back(e.type);
    return t;
  }
  std::vector<uint32_t> characters() const {
    std::vector<uint32_t> c;
    for (auto& e : events)
      if (e.type == WindowEvent::Character) c.push_back(e.character);
    return c;
  }
  EditorWindow& window;
  bool gestures = true;
  bool gestureEnded = false;
  std::vector<WindowEvent> events;
  std::vector<WindowEvent> gesture;
};

class EditorWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    parent = driver.createWindow(300, 200);
    ASSERT_NE(parent, 0u);
  }
  // Before the driver, which connects to the display that this starts.
  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  XTestDriver driver;
  uintptr_t parent = 0;
};

int errorsSeen = 0;
int countingHandler(Display*, XErrorEvent*) { return ++errorsSeen, 0; }

TEST_F(EditorWindowTest, RefusesImpossibleSizesAndParentsWithoutTouchingTheHostsHandler) {
  XErrorHandler hosts = XSetErrorHandler(countingHandler);
  const int before = platform::WindowCount::current();
  EditorWindow w;
  EXPECT_FALSE(w.create(parent, 0, 0));
  EXPECT_FALSE(w.create(parent, 100, -1));
  EXPECT_FALSE(w.create(parent, EditorWindow::kMaximumSize + 1, 10));
  EXPECT_FALSE(w.create(0, 100, 100));
  // An id that names no window: the error stays on our connection.
  EXPECT_FALSE(w.create(0x3ffffff0, 100, 100));
  EXPECT_EQ(w.handle(), 0u);
  EXPECT_EQ(platform::WindowCount::current(), before);
  EXPECT_TRUE(driver.children(parent).empty());
  EXPECT_EQ(errorsSeen, 0);
  EXPECT_EQ(XSetErrorHandler(hosts), countingHandler);
}

TEST_F(EditorWindowTest, ChildAtOriginOfItsSizeCountedUntilDestroyed) {
  const int before = platform::WindowCount::current();
  {
    EditorWindow a, b;
    ASSERT_TRUE(a.create(parent, 120, 80));
    EXPECT_FALSE(a.create(parent, 120, 80)) << "a second window for one object";
    uintptr_t other = driver.createWindow(50, 50);
    ASSERT_TRUE(b.create(other, 40, 30));
    EXPECT_EQ(platform::WindowCount::current(), before + 2);
    EXPECT_EQ(driver.children(parent), std::vector<uintptr_t>{a.handle()});
    int width = 0, height = 0;
    ASSERT_TRUE(driver.windowSize(a.handle(), width, height));
    EXPECT_EQ(width, 120);
    EXPECT_EQ(height, 80);
    a.destroy();
    a.destroy();
    EXPECT_TRUE(driver.children(parent).empty());
    EXPECT_EQ(platform::WindowCount::current(), before + 1);
  }
  EXPECT_EQ(platform::WindowCount::current(), before);
}

TEST_F(EditorWindowTest, PointerEventsInWindowPixelsWithTheEventsModifiers) {
  EditorWindow w;
  ASSERT_TRUE(w.create(parent, 200, 100));
  Recorder r(w);
  r.gestures = false;
  driver.movePointer(w.handle(), 10, 20);
  w.processPending(r);
  ASSERT_FALSE(r.events.empty());
  EXPECT_EQ(r.events.back().type, WindowEvent::PointerMove);
  EXPECT_EQ(r.events.back().x, 10);
  EXPECT_EQ(r.events.back().y, 20);
  EXPECT_EQ(r.events.back().modifiers, 0);

  r.events.clear();
  driver.holdKey(XTestDriver::Key::Shift);
  driver.holdKey(XTestDriver::Key::Alt);
  EXPECT_EQ(w.currentModifiers(), platform::kModifierShift | platform::kModifierAlt);
  driver.pressButton(1);
  driver.releaseKey(XTestDriver::Key::Alt);
  driver.holdKey(XTestDriver::Key::Control);
  driver.releaseButton(1);
  driver.pressButton(4);  // the wheel: not reported
  driver.releaseButton(4);
  driver.releaseKey(XTestDriver::Key::Control);
  driver.releaseKey(XTestDriver::Key::Shift);
  w.processPending(r);
  ASSERT_EQ(r.types(), (std::vector<WindowEvent::Type>{WindowEvent::ButtonDown,
                                                       WindowEvent::ButtonUp}));
  EXPECT_EQ(r.events[0].modifiers, platform::kModifierShift | platform::kModifierAlt);
  EXPECT_EQ(r.events[1].modifiers, platform::kModifierShift | platform::kModifierControl);
  EXPECT_EQ(r.events[1].x, 10);
  EXPECT_EQ(r.events[1].y, 20);
  EXPECT_EQ(w.currentModifiers(), 0);
}

TEST_F(EditorWindowTest, GestureFollowsThePointerOutsideAndKeepsOtherEventsForLater) {
  EditorWindow w;
  ASSERT_TRUE(w.create(parent, 200, 100));
  w.takeKeyboardFocus();
  Recorder r(w);
  driver.movePointer(w.handle(), 50, 50);
  w.processPending(r);
  r.events.clear();

  driver.pressButton(1);
  driver.movePointer(w.handle(), 50, 10);
  driver.typeText("7");
  driver.movePointer(w.handle(), 50, -30);  // above the window: still ours while captured
  driver.releaseButton(1);
  w.processPending(r);

  ASSERT_TRUE(r.gestureEnded);
  ASSERT_GE(r.gesture.size(), 3u);
  EXPECT_EQ(r.gesture[0].type, WindowEvent::PointerMove);
  EXPECT_EQ(r.gesture[0].y, 10);
  EXPECT_EQ(r.gesture[r.gesture.size() - 2].y, -30);
  EXPECT_EQ(r.gesture.back().type, WindowEvent::ButtonUp);
  EXPECT_EQ(r.gesture.back().y, -30);
  // The key typed mid-gesture comes after the gesture, not inside it.
  ASSERT_EQ(r.characters(), std::vector<uint32_t>{'7'});
  for (const WindowEvent& e : r.gesture) EXPECT_NE(e.type, WindowEvent::Character);
  EXPECT_EQ(r.events.front().type, WindowEvent::ButtonDown);
}

TEST_F(EditorWindowTest, GestureEndsWhenItsReleaseCanNeverArrive) {
  EditorWindow w;
  ASSERT_TRUE(w.create(parent, 200, 100));
  Recorder r(w);
  driver.movePointer(w.handle(), 30, 40);
  driver.pressButton(1);
  // Hiding the window breaks the grab, so the release goes elsewhere.
  driver.unmapWindow(w.handle());
  driver.movePointer(parent, 250, 150);
  driver.releaseButton(1);
  w.processPending(r);
  ASSERT_TRUE(r.gestureEnded) << "the press gesture would wait for ever";
  EXPECT_EQ(r.gesture.back().type, WindowEvent::ButtonUp);
  EXPECT_EQ(r.gesture.back().x, 250);
  EXPECT_EQ(r.gesture.back().y, 150);
}

TEST_F(EditorWindowTest, ShowingTheHostsWindowAgainAsksForThePicture) {
  EditorWindow w;
  ASSERT_TRUE(w.create(parent, 200, 100));
  Recorder r(w);
  driver.sync();
  w.processPending(r);
  r.events.clear();

  driver.unmapWindow(parent);  // the host hides the editor
  w.processPending(r);
  EXPECT_TRUE(r.events.empty()) << "hiding asks for nothing";

  driver.mapWindow(parent);
  w.processPending(r);
  ASSERT_FALSE(r.events.empty());
  for (const WindowEvent& e : r.events) EXPECT_EQ(e.type, WindowEvent::Exposed);
}

TEST_F(EditorWindowTest, GestureStopsWhenTheHostDestroysItsWindow) {
  EditorWindow w;
  ASSERT_TRUE(w.create(parent, 200, 100));
  driver.movePointer(w.handle(), 30, 40);
  driver.pressButton(1);
  Recorder r(w);
  r.gestures = false;
  w.processPending(r);
  w.beginCapture();
  driver.destroyWindow(parent);
  driver.releaseButton(1);
  WindowEvent e;
  bool sawUp = false;
  while (w.nextGestureEvent(e, 20000)) sawUp = sawUp || e.type == WindowEvent::ButtonUp;
  EXPECT_FALSE(sawUp);
  w.endCapture();
  w.processPending(r);
  w.destroy();  // the child went with the parent: no error may reach anybody
  EXPECT_EQ(w.handle(), 0u);
}

TEST_F(EditorWindowTest, CharactersOnlyWithFocusAndFocusLossReported) {
  EditorWindow w;
  ASSERT_TRUE(w.create(parent, 200, 100));
  Recorder r(w);
  r.gestures = false;
  driver.focus(parent);
  driver.typeText("9");
  w.processPending(r);
  EXPECT_TRUE(r.characters().empty()) << "keys typed into the host's window";

  w.takeKeyboardFocus();
  driver.typeText("-1.5+\n\b");
  driver.holdKey(XTestDriver::Key::Control);
  driver.typeText("c");
  driver.releaseKey(XTestDriver::Key::Control);
  w.processPending(r);
  EXPECT_EQ(r.characters(), (std::vector<uint32_t>{'-', '1', '.', '5', '+', 13, 8, 3}));

  r.events.clear();
  driver.focus(0);
  w.processPending(r);
  EXPECT_EQ(r.types(), std::vector<WindowEvent::Type>{WindowEvent::FocusLost});
  driver.movePointer(w.handle(), 5, 5);
  driver.typeText("4");
  w.processPending(r);
  EXPECT_TRUE(r.characters().empty()) << "keys after the focus went elsewhere";
}

// Hosts that survive a lost server install an I/O error handler that returns; the
// editor's connections must then not end the process on their own.
int returningIOHandler(Display*) { return 0; }

TEST(EditorWindowServerTest, LosingTheServerEndsNothingButTheWindow) {
  XIOErrorHandler hosts = XSetIOErrorHandler(returningIOHandler);
  testsupport::XvfbDisplay own;
  ASSERT_TRUE(own.ok()) << own.error();
  testsupport::ScopedEnv display("DISPLAY", own.name().c_str());
  EditorWindow w;
  {
    XTestDriver driver;
    ASSERT_TRUE(driver.ok());
    ASSERT_TRUE(w.create(driver.rootWindow(), 50, 50));
  }
  own.stop();
  Recorder r(w);
  w.processPending(r);
  WindowEvent e;
  EXPECT_FALSE(w.nextGestureEvent(e, 100));
  EXPECT_EQ(w.currentModifiers(), 0);
  w.destroy();
  EXPECT_TRUE(r.events.empty());
  XSetIOErrorHandler(hosts);
}

}  // namespace
