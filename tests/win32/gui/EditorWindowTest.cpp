// The editor's child window on Windows: its class and styles, the class's life with the
// windows of the process, the messages that become events, and press gestures.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestHostWindow.h"
#include "platform/EditorWindow.h"
#include "platform/WindowCount.h"

using platform::EditorWindow;
using platform::WindowEvent;
using wintest::pointParameter;
using wintest::TestHostWindow;

namespace {

std::string expectedClassName() {
  char name[64];
  std::snprintf(name, sizeof name, "quorvella%p", static_cast<void*>(GetModuleHandleA(nullptr)));
  return name;
}

bool classRegistered() {
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  return GetClassInfoExA(GetModuleHandleA(nullptr), expectedClassName().c_str(), &c) != 0;
}

// Records events; on a press it runs the gesture until the release, as the editor's press
// handling does, and records the gesture apart.
struct Recorder : platform::WindowEventSink {
  explicit Recorder(EditorWindow& w) : window(w) {}
  void windowEvent(const WindowEvent& e) override {
    events.push_back(e);
    if (e.type != WindowEvent::ButtonDown || !gestures) return;
    window.beginCapture();
    capturedDuringGesture = GetCapture() == reinterpret_cast<HWND>(window.handle());
    WindowEvent g;
    while (window.nextGestureEvent(g, 5000)) {
      gesture.push_back(g);
      if (g.type == WindowEvent::ButtonUp) break;
    }
    window.endCapture();
  }
  EditorWindow& window;
  bool gestures = true;
  bool capturedDuringGesture = false;
  std::vector<WindowEvent> events;
  std::vector<WindowEvent> gesture;
};

class EditorWindowTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(host.hwnd(), nullptr); }
  void post(UINT message, WPARAM wParam, LPARAM lParam) {
    ASSERT_TRUE(PostMessageA(reinterpret_cast<HWND>(window.handle()), message, wParam, lParam));
  }
  TestHostWindow host;
  EditorWindow window;
};

TEST_F(EditorWindowTest, ChildOfTheHostsWindowInAClassOfThisModule) {
  ASSERT_TRUE(window.create(host.id(), 320, 200));
  HWND w = reinterpret_cast<HWND>(window.handle());
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  EXPECT_EQ(name, expectedClassName());
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)), 0x56000000u);
  EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE), 0);
  EXPECT_EQ(GetParent(w), host.hwnd());
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(w, GWLP_HINSTANCE)),
            GetModuleHandleA(nullptr));
  char text[16] = {};
  GetWindowTextA(w, text, sizeof text);
  EXPECT_STREQ(text, "Window");
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 320);
  EXPECT_EQ(r.bottom, 200);

  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &c));
  EXPECT_EQ(c.style, 0x4020u);
  EXPECT_EQ(c.cbClsExtra, 0);
  EXPECT_EQ(c.cbWndExtra, 0);
  EXPECT_EQ(c.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  EXPECT_EQ(c.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  EXPECT_EQ(c.hIcon, nullptr);
  EXPECT_EQ(c.lpszMenuName, nullptr);
}

TEST_F(EditorWindowTest, ClassLivesFromTheFirstWindowToTheLast) {
  ASSERT_EQ(platform::WindowCount::current(), 0);
  EXPECT_FALSE(classRegistered());
  TestHostWindow otherHost;
  EditorWindow other;
  ASSERT_TRUE(window.create(host.id(), 100, 80));
  ASSERT_TRUE(other.create(otherHost.id(), 60, 40));
  EXPECT_FALSE(window.create(host.id(), 100, 80)) << "a second window for one object";
  EXPECT_EQ(platform::WindowCount::current(), 2);
  window.destroy();
  window.destroy();
  EXPECT_TRUE(classRegistered()) << "the other window still uses the class";
  EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(other.handle())));
  other.destroy();
  EXPECT_EQ(platform::WindowCount::current(), 0);
  EXPECT_FALSE(classRegistered());
  // And again for the next opening.
  ASSERT_TRUE(window.create(host.id(), 100, 80));
  EXPECT_TRUE(classRegistered());
}

TEST_F(EditorWindowTest, RefusesImpossibleParentsAndSizesWithoutLeavingAnything) {
  EXPECT_FALSE(window.create(0, 100, 100));
  EXPECT_FALSE(window.create(0x7ff0, 100, 100)) << "no window has this handle";
  EXPECT_FALSE(window.create(host.id(), 0, 100));
  EXPECT_FALSE(window.create(host.id(), 100, -1));
  EXPECT_FALSE(window.create(host.id(), EditorWindow::kMaximumSize + 1, 100));
  EXPECT_EQ(window.handle(), 0u);
  EXPECT_EQ(platform::WindowCount::current(), 0);
  EXPECT_FALSE(classRegistered());
  EXPECT_EQ(GetWindow(host.hwnd(), GW_CHILD), nullptr);
}

TEST_F(EditorWindowTest, PointerMessagesBecomeEventsWithTheirModifiers) {
  ASSERT_TRUE(window.create(host.id(), 200, 100));
  Recorder r(window);
  r.gestures = false;
  post(WM_MOUSEMOVE, 0, pointParameter(10, 20));
  post(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT | MK_CONTROL, pointParameter(12, 34));
  post(WM_RBUTTONDOWN, MK_RBUTTON, pointParameter(1, 2));
  post(WM_MBUTTONDOWN, MK_MBUTTON | MK_CONTROL, pointParameter(3, 4));
  // Captured drags report positions left of and above the window as negative.
  post(WM_MOUSEMOVE, MK_LBUTTON, pointParameter(-3, -40));
  post(WM_MOUSEWHEEL, 0, pointParameter(5, 5));  // not reported
  window.processPending(r);

  ASSERT_EQ(r.events.size(), 5u);
  const WindowEvent::Type types[] = {WindowEvent::PointerMove, WindowEvent::ButtonDown,
                                     WindowEvent::ButtonDown, WindowEvent::ButtonDown,
                                     WindowEvent::PointerMove};
  const int xs[] = {10, 12, 1, 3, -3}, ys[] = {20, 34, 2, 4, -40};
  const int modifiers[] = {0, platform::kModifierShift | platform::kModifierControl, 0,
                           platform::kModifierControl, 0};
  for (size_t i = 0; i < r.events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r.events[i].type, types[i]);
    EXPECT_EQ(r.events[i].x, xs[i]);
    EXPECT_EQ(r.events[i].y, ys[i]);
    EXPECT_EQ(r.events[i].modifiers, modifiers[i]);
  }
}

TEST_F(EditorWindowTest, LeavingTheWindowIsAMoveToWhereThePointerIsNow) {
  ASSERT_TRUE(window.create(host.id(), 200, 100));
  Recorder r(window);
  ASSERT_TRUE(SetCursorPos(3, 4));  // left of and above the host's window
  post(WM_MOUSEMOVE, 0, pointParameter(10, 20));
  post(WM_LBUTTONDOWN, 0, pointParameter(10, 20));  // keeps the two moves apart
  post(WM_MOUSELEAVE, 0, 0);
  r.gestures = false;
  window.processPending(r);
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(reinterpret_cast<HWND>(window.handle()), &cursor);
  ASSERT_EQ(r.events.size(), 3u);
  EXPECT_EQ(r.events[2].type, WindowEvent::PointerMove);
  EXPECT_EQ(r.events[2].x, cursor.x);
  EXPECT_EQ(r.events[2].y, cursor.y);
  EXPECT_LT(r.events[2].x, 0);
}

TEST_F(EditorWindowTest, AltComesFromTheKeyStateAsTheMessageIsHandled) {
  ASSERT_TRUE(window.create(host.id(), 200, 100));
  Recorder r(window);
  r.gestures = false;
  BYTE keys[256] = {}, saved[256] = {};
  ASSERT_TRUE(GetKeyboardState(saved));
  keys[VK_MENU] = 0x80;
  keys[VK_SHIFT] = 0x80;
  ASSERT_TRUE(SetKeyboardState(keys));
  EXPECT_EQ(window.currentModifiers(), platform::kModifierAlt | platform::kModifierShift);
  post(WM_LBUTTONDOWN, MK_LBUTTON, pointParameter(7, 8));
  window.processPending(r);
  SetKeyboardState(saved);
  ASSERT_EQ(r.events.size(), 1u);
  // Shift is what the message says (not held), Alt what the key state says.
  EXPECT_EQ(r.events[0].modifiers, platform::kModifierAlt);
  EXPECT_EQ(window.currentModifiers(), 0);
}

TEST_F(EditorWindowTest, CharactersThatTextFieldsUseAndTheLossOfFocus) {
  ASSERT_TRUE(window.create(host.id(), 200, 100));
  Recorder r(window);
  window.takeKeyboardFocus();
  EXPECT_EQ(GetFocus(), reinterpret_cast<HWND>(window.handle()));
  for (WPARAM c : {WPARAM('a'), WPARAM('~'), WPARAM(' '), WPARAM(13), WPARAM(8), WPARAM(3),
                   WPARAM(9), WPARAM(27), WPARAM(127), WPARAM(0xe9)})
    post(WM_CHAR, c, 1);
  window.processPending(r);
  std::vector<uint32_t> typed;
  for (const WindowEvent& e : r.events) {
    ASSERT_EQ(e.type, WindowEvent::Character);
    typed.push_back(e.character);
  }
  EXPECT_EQ(typed, (std::vector<uint32_t>{'a', '~', ' ', 13, 8, 3}));

  r.events.clear();
  SetFocus(host.hwnd());
  window.processPending(r);
  ASSERT_EQ(r.events.size(), 1u);
  EXPECT_EQ(r.events[0].type, WindowEvent::FocusLost);
}

TEST_F(EditorWindowTest, GestureTakesTheFollowingPointerEventsUpToTheRelease) {
  ASSERT_TRUE(window.create(host.id(), 200, 100));
  Recorder r(window);
  post(WM_LBUTTONDOWN, MK_LBUTTON, pointParameter(10, 10));
  post(WM_MOUSEMOVE, MK_LBUTTON, pointParameter(20, 15));
  post(WM_CHAR, 'x', 1);
  post(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, pointParameter(25, -5));
  post(WM_LBUTTONUP, 0, pointParameter(30, -6));
  post(WM_MOUSEMOVE, 0, pointParameter(31, 7));
  window.processPending(r);

  EXPECT_TRUE(r.capturedDuringGesture);
  EXPECT_EQ(GetCapture(), nullptr) << "released after the gesture";
  ASSERT_EQ(r.gesture.size(), 3u);
  EXPECT_EQ(r.gesture[0].type, WindowEvent::PointerMove);
  EXPECT_EQ(r.gesture[0].x, 20);
  EXPECT_EQ(r.gesture[1].y, -5);
  EXPECT_EQ(r.gesture[1].modifiers, platform::kModifierShift);
  EXPECT_EQ(r.gesture[2].type, WindowEvent::ButtonUp);
  EXPECT_EQ(r.gesture[2].x, 30);
  EXPECT_EQ(r.gesture[2].y, -6);
  // The character typed during the gesture, and the move after it, come afterwards.
  ASSERT_EQ(r.events.size(), 3u);
  EXPECT_EQ(r.events[0].type, WindowEvent::ButtonDown);
  EXPECT_EQ(r.events[1].type, WindowEvent::Character);
  EXPECT_EQ(r.events[1].character, uint32_t('x'));
  EXPECT_EQ(r.events[2].type, WindowEvent::PointerMove);
  EXPECT_EQ(r.events[2].x, 31);
}

TEST_F(EditorWindowTest, GestureEndsWhenNoButtonIsHeldAndNoReleaseCame) {
  ASSERT_TRUE(window.create(host.id(), 200, 100));
  Recorder r(window);
  // A press whose release went to another window: no button is held now.
  post(WM_LBUTTONDOWN, MK_LBUTTON, pointParameter(10, 10));
  window.processPending(r);
  ASSERT_EQ(r.gesture.size(), 1u) << "the gesture would wait for ever";
  EXPECT_EQ(r.gesture[0].type, WindowEvent::ButtonUp);
}

TEST_F(EditorWindowTest, HostDestroyingItsWindowLeavesNothingToReachUs) {
  ASSERT_TRUE(window.create(host.id(), 200, 100));
  HWND w = reinterpret_cast<HWND>(window.handle());
  post(WM_MOUSEMOVE, 0, pointParameter(1, 1));
  host.destroy();
  EXPECT_FALSE(IsWindow(w));
  Recorder r(window);
  window.processPending(r);
  WindowEvent e;
  EXPECT_FALSE(window.nextGestureEvent(e, 0));
  window.beginCapture();
  window.endCapture();
  window.takeKeyboardFocus();
  window.destroy();
  EXPECT_EQ(platform::WindowCount::current(), 0);
  EXPECT_FALSE(classRegistered());
}

}  // namespace
