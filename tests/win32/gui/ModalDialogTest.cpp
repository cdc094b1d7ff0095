// Modal dialogs on Windows, with the About dialog: the module's dialog resource says what the
// code's template says (so the resource script and the C++ cannot drift apart), so does the
// template built in memory, and the dialog made either way works with its handler. Input is
// posted from the handler's shown(), so it reaches the dialog's own loop in a known order.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DialogResourceReader.h"
#include "TestHostWindow.h"
#include "gui/product/AboutDialog.h"
#include "platform/DialogControls.h"
#include "platform/EditorWindow.h"
#include "platform/ModalDialog.h"
#include "platform/win32/DialogTemplateBuilder.h"

using HC::AboutDialog;
using platform::DialogControlKind;
using platform::DialogControls;
using platform::DialogHandler;
using platform::DialogTemplate;

namespace {

void expectSameDialog(const wintest::ReadDialog& read, const DialogTemplate& code) {
  EXPECT_EQ(read.dialog.title, code.title);
  EXPECT_EQ(read.dialog.width, code.width);
  EXPECT_EQ(read.dialog.height, code.height);
  EXPECT_EQ(read.dialog.fontName, code.fontName);
  EXPECT_EQ(read.dialog.pointSize, code.pointSize);
  EXPECT_TRUE(read.style & WS_SYSMENU) << "the close box ends the dialog";
  ASSERT_EQ(read.dialog.controls.size(), code.controls.size());
  for (size_t i = 0; i < code.controls.size(); ++i) {
    const platform::DialogControl& r = read.dialog.controls[i];
    const platform::DialogControl& c = code.controls[i];
    SCOPED_TRACE("control " + std::to_string(c.id) + " \"" + c.text + "\"");
    EXPECT_EQ(r.id, c.id);
    EXPECT_EQ(static_cast<int>(r.kind), static_cast<int>(c.kind));
    EXPECT_EQ(r.text, c.text);
    EXPECT_EQ(r.x, c.x);
    EXPECT_EQ(r.y, c.y);
    EXPECT_EQ(r.width, c.width);
    EXPECT_EQ(r.height, c.height);
    const bool takesFocus = c.kind != DialogControlKind::staticText && c.kind != DialogControlKind::groupBox;
    EXPECT_EQ((read.controlStyles[i] & WS_TABSTOP) != 0, takesFocus);
  }
}

TEST(AboutDialogTemplateTest, ModuleResourceAndTemplateInMemorySayWhatTheCodeSays) {
  const DialogTemplate& code = AboutDialog::dialogTemplate();
  ASSERT_EQ(code.resourceId, 102);
  const void* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(wintest::findDialogResource(code.resourceId, data, size)) << "no dialog resource 102";
  wintest::ReadDialog fromResource, fromMemory;
  std::string why;
  ASSERT_TRUE(wintest::readDialogTemplate(data, size, fromResource, why)) << why;
  expectSameDialog(fromResource, code);
  const std::vector<WORD> built = platform::buildDialogTemplate(code);
  ASSERT_TRUE(wintest::readDialogTemplate(built.data(), built.size() * sizeof(WORD), fromMemory, why))
      << why;
  expectSameDialog(fromMemory, code);
}

// Records what the dialog does; shown() runs the test's script inside the dialog's loop.
struct ScriptedHandler : DialogHandler {
  void initialise(DialogControls& c) override {
    calls.push_back("initialise");
    c.setText(AboutDialog::kPortField, "7000");
    c.setChecked(AboutDialog::kEyeCandy, false);
  }
  void command(DialogControls& c, int id) override {
    commands.push_back(id);
    if (id == AboutDialog::kEyeCandy) c.setChecked(id, !c.checked(id));
    if (id == kCancel || id == AboutDialog::kOK) {
      eyeCandyAtEnd = c.checked(AboutDialog::kEyeCandy);
      c.end(id);
    }
  }
  void shown(DialogControls& c) override {
    calls.push_back("shown");
    dialog = wintest::openDialogOfThisThread();
    owner = GetWindow(dialog, GW_OWNER);
    ownerEnabled = IsWindowEnabled(owner) != FALSE;
    focus = GetDlgCtrlID(GetFocus());
    DWORD from = 0, to = 0;
    SendDlgItemMessageA(dialog, AboutDialog::kPortField, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                        reinterpret_cast<LPARAM>(&to));
    selection = {static_cast<int>(from), static_cast<int>(to)};
    webText = c.text(AboutDialog::kWebSite);
    if (script) script(c, dialog);
  }
  std::function<void(DialogControls&, HWND)> script;
  std::vector<std::string> calls;
  std::vector<int> commands;
  HWND dialog = nullptr, owner = nullptr;
  bool ownerEnabled = true, eyeCandyAtEnd = false;
  int focus = 0;
  std::vector<int> selection;
  std::string webText;
};

// Made from the module's resource (true) or from the template in memory (false).
class ModalDialogTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(editor.create(host.id(), 200, 100));
    if (!GetParam()) dialog.resourceId = 0;
  }
  int run() { return platform::runModalDialog(dialog, editor.handle(), handler); }
  wintest::TestHostWindow host;
  platform::EditorWindow editor;
  DialogTemplate dialog = AboutDialog::dialogTemplate();
  ScriptedHandler handler;
};

TEST_P(ModalDialogTest, EscapeCancelsAndCheckBoxesLeaveTheirMarkToTheHandler) {
  handler.script = [](DialogControls&, HWND d) {
    PostMessageA(GetDlgItem(d, AboutDialog::kEyeCandy), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(d, AboutDialog::kPortField), WM_KEYDOWN, VK_ESCAPE, 1);
  };
  EXPECT_EQ(run(), DialogHandler::kCancel);
  EXPECT_EQ(handler.calls, (std::vector<std::string>{"initialise", "shown"}));
  EXPECT_EQ(handler.commands, (std::vector<int>{AboutDialog::kEyeCandy, DialogHandler::kCancel}));
  EXPECT_TRUE(handler.eyeCandyAtEnd) << "a check box that toggles itself undoes the handler";
  EXPECT_EQ(handler.webText, "Visit halvercast.example");
  // The field takes the focus with its text selected, so typing replaces it.
  EXPECT_EQ(handler.focus, AboutDialog::kPortField);
  EXPECT_EQ(handler.selection, (std::vector<int>{0, 4}));
  // The editor's window stands for the host's top-level window, which waits disabled.
  EXPECT_EQ(handler.owner, host.hwnd());
  EXPECT_FALSE(handler.ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(host.hwnd()));
}

TEST_P(ModalDialogTest, CloseBoxCancelsAndTheDefaultButtonEndsWithItsId) {
  handler.script = [](DialogControls&, HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); };
  EXPECT_EQ(run(), DialogHandler::kCancel);
  handler = ScriptedHandler();
  size_t kept = 0;
  handler.script = [&kept](DialogControls& c, HWND d) {
    c.setText(AboutDialog::kPortField, std::string(300, '9'));
    kept = c.text(AboutDialog::kPortField).size();
    PostMessageA(GetDlgItem(d, AboutDialog::kOK), BM_CLICK, 0, 0);
  };
  EXPECT_EQ(run(), AboutDialog::kOK);
  EXPECT_EQ(handler.commands, std::vector<int>{AboutDialog::kOK});
  EXPECT_EQ(kept, 255u) << "a number field holds at most 255 characters";
}

TEST_P(ModalDialogTest, OwnerDestroyedUnderTheDialogEndsItAsCancelled) {
  handler.script = [this](DialogControls&, HWND) { DestroyWindow(host.hwnd()); };
  EXPECT_EQ(run(), DialogHandler::kCancel);
  EXPECT_TRUE(handler.commands.empty());
  DialogTemplate empty;
  EXPECT_EQ(platform::runModalDialog(empty, 0, handler), -1);
}

INSTANTIATE_TEST_SUITE_P(FromResourceOrMemory, ModalDialogTest, testing::Bool());

}  // namespace
