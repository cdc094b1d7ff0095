// The About dialog on Windows: the module's dialog resource says what the code's template
// says (so the resource script and the C++ cannot drift apart), the template built in
// memory says the same, and the dialog made from the resource works with the handler.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "DialogResourceReader.h"
#include "TestHostWindow.h"
#include "gui/product/AboutDialog.h"
#include "platform/DialogControls.h"
#include "platform/ModalDialog.h"
#include "platform/win32/DialogTemplateBuilder.h"

using HC::AboutDialog;
using platform::DialogControlKind;
using platform::DialogTemplate;

namespace {

const char* kindName(DialogControlKind kind) {
  switch (kind) {
    case DialogControlKind::staticText: return "static text";
    case DialogControlKind::pushButton: return "push button";
    case DialogControlKind::defaultPushButton: return "default push button";
    case DialogControlKind::groupBox: return "group box";
    case DialogControlKind::numberEdit: return "number edit";
    case DialogControlKind::checkBox: return "check box";
  }
  return "?";
}

bool takesFocus(DialogControlKind kind) {
  return kind != DialogControlKind::staticText && kind != DialogControlKind::groupBox;
}

void expectSameDialog(const wintest::ReadDialog& read, const DialogTemplate& code) {
  EXPECT_EQ(read.dialog.title, code.title);
  EXPECT_EQ(read.dialog.width, code.width);
  EXPECT_EQ(read.dialog.height, code.height);
  EXPECT_EQ(read.dialog.fontName, code.fontName);
  EXPECT_EQ(read.dialog.pointSize, code.pointSize);
  ASSERT_EQ(read.dialog.controls.size(), code.controls.size());
  for (size_t i = 0; i < code.controls.size(); ++i) {
    const platform::DialogControl& r = read.dialog.controls[i];
    const platform::DialogControl& c = code.controls[i];
    SCOPED_TRACE("control " + std::to_string(c.id) + " \"" + c.text + "\"");
    EXPECT_EQ(r.id, c.id);
    EXPECT_STREQ(kindName(r.kind), kindName(c.kind));
    EXPECT_EQ(r.text, c.text);
    EXPECT_EQ(r.x, c.x);
    EXPECT_EQ(r.y, c.y);
    EXPECT_EQ(r.width, c.width);
    EXPECT_EQ(r.height, c.height);
    const DWORD style = read.controlStyles[i];
    EXPECT_EQ((style & WS_TABSTOP) != 0, takesFocus(c.kind));
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  }
  EXPECT_TRUE(read.style & WS_CAPTION);
  EXPECT_TRUE(read.style & WS_SYSMENU) << "the close box ends the dialog";
}

TEST(AboutDialogResourceTest, ModuleResourceSaysWhatTheCodesTemplateSays) {
  const DialogTemplate& code = AboutDialog::dialogTemplate();
  ASSERT_EQ(code.resourceId, 102);
  const void* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(wintest::findDialogResource(code.resourceId, data, size))
      << "no dialog resource " << code.resourceId << " in the module";
  wintest::ReadDialog read;
  std::string why;
  ASSERT_TRUE(wintest::readDialogTemplate(data, size, read, why)) << why;
  expectSameDialog(read, code);
}

TEST(AboutDialogResourceTest, TemplateBuiltInMemorySaysTheSame) {
  const DialogTemplate& code = AboutDialog::dialogTemplate();
  const std::vector<WORD> built = platform::buildDialogTemplate(code);
  wintest::ReadDialog read;
  std::string why;
  ASSERT_TRUE(wintest::readDialogTemplate(built.data(), built.size() * sizeof(WORD), read, why))
      << why;
  expectSameDialog(read, code);
}

// Clicks "Eye candy" and then presses Escape, from inside the dialog's own loop.
struct ClickThenEscape : platform::DialogHandler {
  void initialise(platform::DialogControls& c) override { c.setChecked(AboutDialog::kEyeCandy, false); }
  void command(platform::DialogControls& c, int id) override {
    commands.push_back(id);
    if (id == AboutDialog::kEyeCandy) c.setChecked(id, !c.checked(id));
    if (id == kCancel) {
      eyeCandyChecked = c.checked(AboutDialog::kEyeCandy);
      c.end(kCancel);
    }
  }
  void shown(platform::DialogControls& c) override {
    HWND dialog = wintest::openDialogOfThisThread();
    focus = GetDlgCtrlID(GetFocus());
    webText = c.text(AboutDialog::kWebSite);
    char title[32] = {};
    GetWindowTextA(dialog, title, sizeof title);
    this->title = title;
    PostMessageA(GetDlgItem(dialog, AboutDialog::kEyeCandy), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(dialog, AboutDialog::kPortField), WM_KEYDOWN, VK_ESCAPE, 1);
  }
  std::vector<int> commands;
  bool eyeCandyChecked = false;
  int focus = 0;
  std::string webText, title;
};

TEST(AboutDialogResourceTest, DialogFromTheResourceReachesTheHandler) {
  wintest::TestHostWindow host;
  ClickThenEscape handler;
  EXPECT_EQ(platform::runModalDialog(AboutDialog::dialogTemplate(), host.id(), handler),
            platform::DialogHandler::kCancel);
  EXPECT_EQ(handler.title, "About");
  EXPECT_EQ(handler.webText, "Visit halvercast.example");
  EXPECT_EQ(handler.focus, AboutDialog::kPortField);
  EXPECT_EQ(handler.commands,
            (std::vector<int>{AboutDialog::kEyeCandy, platform::DialogHandler::kCancel}));
  EXPECT_TRUE(handler.eyeCandyChecked) << "a check box that toggles itself undoes the handler";
}

}  // namespace
