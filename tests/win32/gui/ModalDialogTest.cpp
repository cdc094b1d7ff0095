// Modal dialogs on Windows, built in memory from a template: the handler's calls, the owner
// that the dialog disables, and the ways a dialog ends. Input is posted from the handler's
// shown(), so it reaches the dialog's own loop in a known order.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "TestHostWindow.h"
#include "platform/DialogControls.h"
#include "platform/EditorWindow.h"
#include "platform/ModalDialog.h"

using platform::DialogControlKind;
using platform::DialogControls;
using platform::DialogHandler;
using platform::DialogTemplate;
using wintest::TestHostWindow;

namespace {

enum : int { kName = 10, kCount = 11, kToggle = 12, kApply = 13, kGroup = 14 };

DialogTemplate smallTemplate() {
  DialogTemplate t;
  t.title = "Settings";
  t.width = 160;
  t.height = 90;
  t.fontName = "MS Sans Serif";
  t.pointSize = 8;
  t.initialFocus = kCount;
  t.controls = {
      {kGroup, DialogControlKind::groupBox, "Group", 4, 4, 152, 60},
      {kName, DialogControlKind::staticText, "Count:", 8, 14, 40, 10},
      {kCount, DialogControlKind::numberEdit, "", 50, 14, 40, 12},
      {kToggle, DialogControlKind::checkBox, "Toggle", 8, 30, 80, 10},
      {kApply, DialogControlKind::pushButton, "Apply", 8, 44, 40, 12},
      {1, DialogControlKind::defaultPushButton, "OK", 60, 72, 40, 12},
  };
  return t;
}

HWND control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

struct ScriptedHandler : DialogHandler {
  void initialise(DialogControls& c) override {
    calls.push_back("initialise");
    c.setText(kCount, "123");
    c.setChecked(kToggle, false);
  }
  void command(DialogControls& c, int id) override {
    commands.push_back(id);
    if (id == kToggle) c.setChecked(kToggle, !c.checked(kToggle));
    if (onCommand) onCommand(c, id);
    if (id == 1 || id == kCancel) {
      checkedAtEnd = c.checked(kToggle);
      textAtEnd = c.text(kCount);
      c.end(id);
    }
  }
  void shown(DialogControls& c) override {
    calls.push_back("shown");
    HWND dialog = wintest::openDialogOfThisThread();
    owner = GetWindow(dialog, GW_OWNER);
    ownerEnabledWhileOpen = IsWindowEnabled(owner) != FALSE;
    focus = GetDlgCtrlID(GetFocus());
    DWORD from = 0, to = 0;
    SendMessageA(control(dialog, kCount), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                 reinterpret_cast<LPARAM>(&to));
    selection = {static_cast<int>(from), static_cast<int>(to)};
    if (onShown) onShown(c, dialog);
  }
  std::function<void(DialogControls&, HWND)> onShown;
  std::function<void(DialogControls&, int)> onCommand;
  std::vector<std::string> calls;
  std::vector<int> commands;
  HWND owner = nullptr;
  bool ownerEnabledWhileOpen = true;
  int focus = 0;
  std::vector<int> selection;
  bool checkedAtEnd = false;
  std::string textAtEnd;
};

class ModalDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.hwnd(), nullptr);
    ASSERT_TRUE(editor.create(host.id(), 200, 100));
  }
  TestHostWindow host;
  platform::EditorWindow editor;
  DialogTemplate dialog = smallTemplate();
  ScriptedHandler handler;
};

TEST_F(ModalDialogTest, EscapeCancelsAndCheckBoxesLeaveTheirMarkToTheHandler) {
  handler.onShown = [](DialogControls&, HWND dialog) {
    PostMessageA(control(dialog, kToggle), BM_CLICK, 0, 0);
    PostMessageA(control(dialog, kCount), WM_KEYDOWN, VK_ESCAPE, 1);
  };
  const int result = platform::runModalDialog(dialog, editor.handle(), handler);
  EXPECT_EQ(result, DialogHandler::kCancel);
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"initialise", "shown"}));
  EXPECT_EQ(handler.commands, (std::vector<int>{kToggle, DialogHandler::kCancel}));
  EXPECT_TRUE(handler.checkedAtEnd) << "one click, one change: the box must not toggle itself";
  EXPECT_EQ(handler.textAtEnd, "123");
}

TEST_F(ModalDialogTest, OwnedByTheHostsTopLevelWindowWhichWaitsDisabled) {
  handler.onShown = [](DialogControls&, HWND dialog) {
    PostMessageA(dialog, WM_CLOSE, 0, 0);  // the window frame's close box
  };
  EXPECT_EQ(platform::runModalDialog(dialog, editor.handle(), handler), DialogHandler::kCancel);
  EXPECT_EQ(handler.owner, host.hwnd()) << "the editor's window stands for its top-level window";
  EXPECT_FALSE(handler.ownerEnabledWhileOpen);
  EXPECT_TRUE(IsWindowEnabled(host.hwnd()));
  EXPECT_EQ(handler.commands, std::vector<int>{DialogHandler::kCancel});
}

TEST_F(ModalDialogTest, FocusStartsOnTheFieldWithItsTextSelected) {
  handler.onShown = [](DialogControls& c, HWND) { c.end(7); };
  EXPECT_EQ(platform::runModalDialog(dialog, editor.handle(), handler), 7);
  EXPECT_EQ(handler.focus, kCount);
  EXPECT_EQ(handler.selection, (std::vector<int>{0, 3}));
}

TEST_F(ModalDialogTest, ButtonsReachTheHandlerAndTheDefaultOneEndsWithItsId) {
  std::vector<std::string> texts;
  handler.onShown = [&](DialogControls& c, HWND dialog) {
    c.setText(kCount, std::string(300, '9'));
    texts.push_back(c.text(kCount));
    texts.push_back(c.text(kName));
    texts.push_back(c.text(999));
    PostMessageA(control(dialog, kApply), BM_CLICK, 0, 0);
    PostMessageA(control(dialog, 1), BM_CLICK, 0, 0);
  };
  EXPECT_EQ(platform::runModalDialog(dialog, 0, handler), 1);
  EXPECT_EQ(handler.commands, (std::vector<int>{kApply, 1}));
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], std::string(255, '9')) << "a number field holds at most 255 characters";
  EXPECT_EQ(texts[1], "Count:");
  EXPECT_EQ(texts[2], "");
}

TEST_F(ModalDialogTest, OwnerDestroyedUnderTheDialogEndsItAsCancelled) {
  handler.onShown = [&](DialogControls&, HWND) { DestroyWindow(host.hwnd()); };
  EXPECT_EQ(platform::runModalDialog(dialog, editor.handle(), handler), DialogHandler::kCancel);
  EXPECT_TRUE(handler.commands.empty());
  EXPECT_FALSE(IsWindow(host.hwnd()));
}

TEST_F(ModalDialogTest, TemplateWithoutAResourceOrSizeIsBuiltOrRefused) {
  dialog.resourceId = 7777;  // this program carries no such dialog: built from the template
  handler.onShown = [](DialogControls& c, HWND dialog) {
    char title[32] = {};
    GetWindowTextA(dialog, title, sizeof title);
    c.end(std::string(title) == "Settings" ? 5 : 6);
  };
  EXPECT_EQ(platform::runModalDialog(dialog, editor.handle(), handler), 5);

  DialogTemplate empty;
  ScriptedHandler unused;
  EXPECT_EQ(platform::runModalDialog(empty, editor.handle(), unused), -1);
  EXPECT_TRUE(unused.calls.empty());
}

}  // namespace
