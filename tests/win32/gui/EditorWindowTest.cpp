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

namespace {

std::string expectedClassName() {
  char name[64];
  std::snprintf(name, sizeof name, "quorvella%p", static_cast<void*>(GetModuleHandleA(nullptr)));
  return name;
}

bool classRegistered(WNDCLASSEXA* out = nullptr) {
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  const bool found = GetClassInfoExA(GetModuleHandleA(nullptr), expectedClassName().c_str(), &c);
  if (out != nullptr) *out = c;
  return found;
}

// Records events; on a press it runs the gesture to the release, as the editor's press
// handling does, and records the gesture apart.
struct Recorder : platform::WindowEventSink {
  explicit Recorder(EditorWindow& w) : window(w) {}
  void windowEvent(const WindowEvent& e) override {
    events.push_back(e);
    if (e.type != WindowEvent::ButtonDown || !gestures) return;
    window.beginCapture();
    captured = GetCapture() == reinterpret_cast<HWND>(window.handle());
    WindowEvent g;
    while (window.nextGestureEvent(g, 5000)) {
      gesture.push_back(g);
      if (g.type == WindowEvent::ButtonUp) break;
    }
    window.endCapture();
  }
  EditorWindow& window;
  bool gestures = true, captured = false;
  std::vector<WindowEvent> events, gesture;
};

void expectEvent(const WindowEvent& e, WindowEvent::Type type, int x, int y, int modifiers) {
  EXPECT_EQ(e.type, type);
  EXPECT_EQ(e.x, x);
  EXPECT_EQ(e.y, y);
  EXPECT_EQ(e.modifiers, modifiers);
}

class EditorWindowTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.create(host.id(), 200, 100)); }
  void post(UINT message, WPARAM wParam, LPARAM lParam) {
    ASSERT_TRUE(PostMessageA(hwnd(), message, wParam, lParam));
  }
  HWND hwnd() const { return reinterpret_cast<HWND>(window.handle()); }
  wintest::TestHostWindow host;
  EditorWindow window;
  Recorder recorder{window};
};

TEST_F(EditorWindowTest, ChildOfTheHostsWindowInAClassOfThisModule) {
  char name[64] = {}, text[16] = {};
  GetClassNameA(hwnd(), name, sizeof name);
  EXPECT_EQ(name, expectedClassName());
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd(), GWL_STYLE)), 0x56000000u);
  EXPECT_EQ(GetWindowLongA(hwnd(), GWL_EXSTYLE), 0);
  EXPECT_EQ(GetParent(hwnd()), host.hwnd());
  GetWindowTextA(hwnd(), text, sizeof text);
  EXPECT_STREQ(text, "Window");
  RECT r{};
  GetWindowRect(hwnd(), &r);
  MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 100);
  WNDCLASSEXA c{};
  ASSERT_TRUE(classRegistered(&c));
  EXPECT_EQ(c.style, 0x4020u);
  EXPECT_EQ(c.cbClsExtra + c.cbWndExtra, 0);
  EXPECT_EQ(c.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  EXPECT_EQ(c.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  EXPECT_EQ(c.hIcon, nullptr);
  EXPECT_EQ(c.lpszMenuName, nullptr);
}

TEST_F(EditorWindowTest, ClassLivesFromTheFirstWindowToTheLastAndRefusesWhatCannotBe) {
  wintest::TestHostWindow otherHost;
  EditorWindow other, refused;
  ASSERT_TRUE(other.create(otherHost.id(), 60, 40));
  EXPECT_FALSE(window.create(host.id(), 100, 80)) << "a second window for one object";
  EXPECT_EQ(platform::WindowCount::current(), 2);
  window.destroy();
  window.destroy();
  EXPECT_TRUE(classRegistered()) << "the other window still uses it";
  other.destroy();
  EXPECT_EQ(platform::WindowCount::current(), 0);
  EXPECT_FALSE(classRegistered());

  EXPECT_FALSE(refused.create(0, 100, 100));
  EXPECT_FALSE(refused.create(0x7ff0, 100, 100)) << "no window has this handle";
  EXPECT_FALSE(refused.create(host.id(), 0, 100));
  EXPECT_FALSE(refused.create(host.id(), EditorWindow::kMaximumSize + 1, 100));
  EXPECT_EQ(refused.handle(), 0u);
  EXPECT_EQ(platform::WindowCount::current(), 0);
  EXPECT_FALSE(classRegistered());
  EXPECT_EQ(GetWindow(host.hwnd(), GW_CHILD), nullptr);
}

TEST_F(EditorWindowTest, PointerMessagesBecomeEventsWithTheirModifiers) {
  recorder.gestures = false;
  BYTE saved[256] = {}, keys[256] = {};
  ASSERT_TRUE(GetKeyboardState(saved));
  keys[VK_MENU] = 0x80;  // Alt comes from the key state; Shift and Control from the message
  ASSERT_TRUE(SetKeyboardState(keys));
  EXPECT_EQ(window.currentModifiers(), platform::kModifierAlt);
  post(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT | MK_CONTROL, pointParameter(12, 34));
  window.processPending(recorder);
  SetKeyboardState(saved);
  post(WM_MOUSEMOVE, 0, pointParameter(10, 20));
  post(WM_RBUTTONDOWN, MK_RBUTTON, pointParameter(1, 2));
  // Two moves in a row are one, the later. A captured drag reports positions left of and
  // above the window as negative.
  post(WM_MOUSEMOVE, MK_LBUTTON, pointParameter(50, 50));
  post(WM_MOUSEMOVE, MK_LBUTTON, pointParameter(-3, -40));
  post(WM_MBUTTONDOWN, MK_MBUTTON | MK_CONTROL, pointParameter(3, 4));
  post(WM_MOUSEWHEEL, 0, pointParameter(5, 5));  // not reported
  ASSERT_TRUE(SetCursorPos(3, 4));                // left of and above the host's window
  post(WM_MOUSELEAVE, 0, 0);                      // a move to where the pointer is now
  window.processPending(recorder);

  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(hwnd(), &cursor);
  ASSERT_EQ(recorder.events.size(), 6u);
  const int both = platform::kModifierShift | platform::kModifierControl | platform::kModifierAlt;
  expectEvent(recorder.events[0], WindowEvent::ButtonDown, 12, 34, both);
  expectEvent(recorder.events[1], WindowEvent::PointerMove, 10, 20, 0);
  expectEvent(recorder.events[2], WindowEvent::ButtonDown, 1, 2, 0);
  expectEvent(recorder.events[3], WindowEvent::PointerMove, -3, -40, 0);
  expectEvent(recorder.events[4], WindowEvent::ButtonDown, 3, 4, platform::kModifierControl);
  expectEvent(recorder.events[5], WindowEvent::PointerMove, cursor.x, cursor.y, 0);
  EXPECT_LT(cursor.x, 0);
}

TEST_F(EditorWindowTest, CharactersThatTextFieldsUseAndTheLossOfFocus) {
  window.takeKeyboardFocus();
  EXPECT_EQ(GetFocus(), hwnd());
  const WPARAM keys[] = {'a', '~', ' ', 13, 8, 3, 9, 27, 127, 0xe9};
  for (WPARAM c : keys) post(WM_CHAR, c, 1);
  window.processPending(recorder);
  std::vector<uint32_t> typed;
  for (const WindowEvent& e : recorder.events)
    if (e.type == WindowEvent::Character) typed.push_back(e.character);
  EXPECT_EQ(typed, (std::vector<uint32_t>{'a', '~', ' ', 13, 8, 3}));
  EXPECT_EQ(recorder.events.size(), typed.size());
  recorder.events.clear();
  SetFocus(host.hwnd());
  window.processPending(recorder);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].type, WindowEvent::FocusLost);
}

TEST_F(EditorWindowTest, GestureTakesTheFollowingPointerEventsUpToTheRelease) {
  post(WM_LBUTTONDOWN, MK_LBUTTON, pointParameter(10, 10));
  post(WM_MOUSEMOVE, MK_LBUTTON, pointParameter(20, 15));
  post(WM_CHAR, 'x', 1);
  post(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, pointParameter(25, -5));
  post(WM_LBUTTONUP, 0, pointParameter(30, -6));
  post(WM_MOUSEMOVE, 0, pointParameter(31, 7));
  window.processPending(recorder);
  EXPECT_TRUE(recorder.captured);
  EXPECT_EQ(GetCapture(), nullptr) << "released after the gesture";
  ASSERT_EQ(recorder.gesture.size(), 3u);
  expectEvent(recorder.gesture[0], WindowEvent::PointerMove, 20, 15, 0);
  expectEvent(recorder.gesture[1], WindowEvent::PointerMove, 25, -5, platform::kModifierShift);
  expectEvent(recorder.gesture[2], WindowEvent::ButtonUp, 30, -6, 0);
  // The character typed during the gesture, and the move after it, come afterwards.
  ASSERT_EQ(recorder.events.size(), 3u);
  EXPECT_EQ(recorder.events[1].character, uint32_t('x'));
  expectEvent(recorder.events[2], WindowEvent::PointerMove, 31, 7, 0);

  // A press whose release went to another window: no button is held, so it ends at once.
  recorder.gesture.clear();
  post(WM_LBUTTONDOWN, MK_LBUTTON, pointParameter(10, 10));
  window.processPending(recorder);
  ASSERT_EQ(recorder.gesture.size(), 1u) << "the gesture would wait for ever";
  EXPECT_EQ(recorder.gesture[0].type, WindowEvent::ButtonUp);
}

TEST_F(EditorWindowTest, HostDestroyingItsWindowLeavesNothingToReachUs) {
  HWND w = hwnd();
  host.destroy();
  EXPECT_FALSE(IsWindow(w));
  window.processPending(recorder);
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
