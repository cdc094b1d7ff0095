// The About/Preferences dialog's own X11 window on the private Xvfb, driven through XTEST.
// Input is typed from the dialog's "shown" call, that is from inside its modal loop once the
// window has the keyboard focus: the server queues the keys for the dialog's connection and
// the loop handles them when the call returns, so nothing waits on time.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "OSCTestSupport.h"
#include "PortReservation.h"
#include "effect/HvcQuorvella.h"
#include "framework/CFString.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "gui/elements/EditorOptions.h"
#include "gui/product/AboutDialog.h"
#include "support/ScopedEnv.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"

namespace {

using HC::AboutDialog;
using HC::EditorOptions;
using testsupport::XTestDriver;

// The dialog with a recording URL opener and the test's input at the moment it is shown.
class DrivenDialog : public AboutDialog {
 public:
  DrivenDialog(HvcQuorvella* effect, std::function<void()> input)
      : AboutDialog(effect, [this](const std::string& url) { opened.push_back(url); }),
        input_(std::move(input)) {}
  void shown(platform::DialogControls&) override {
    ++shownCalls;
    if (input_) input_();
  }
  std::vector<std::string> opened;
  int shownCalls = 0;

 private:
  std::function<void()> input_;
};

class AboutDialogWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    owner = driver.createWindow(280, 200, "editor host");
    ASSERT_NE(owner, 0u);
  }

  int32_t storedBasePort() {
    return Settings::readNumber(CFString::constant(kPreferenceOSCBasePort), -1);
  }

  // Before the driver, which connects to the display that this starts.
  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  XTestDriver driver;
  uintptr_t owner = 0;
  osctest::UserEnvironment env;
};

TEST_F(AboutDialogWindow, FocusStartsOnThePortAndTabWalksTheControlsInOrder) {
  EditorOptions::setEyeCandy(true);
  EditorOptions::setConstantRedraw(true);
  EditorOptions::setFloatingTooltip(false);
  HvcQuorvella::setOSCBasePort(7000);
  uintptr_t window = 0, transientFor = 0;
  DrivenDialog dialog(nullptr, [&] {
    window = driver.findWindow("About");
    if (window != 0) transientFor = driver.transientFor(window);
    // Port field -> Eye candy (toggle) -> Constant redraw -> Floating tooltip (toggle) -> OK
    // -> web site (wraps; open) -> port field (typing replaces the selected text) -> back to
    // the web site with Shift+Tab (open again) -> Escape.
    driver.typeText("\t \t\t \t\t \t123");
    driver.holdKey(XTestDriver::Key::Shift);
    driver.typeText("\t");
    driver.releaseKey(XTestDriver::Key::Shift);
    driver.typeText(" \x1b");
  });
  EXPECT_EQ(dialog.show(owner), AboutDialog::kCancel);
  EXPECT_EQ(dialog.shownCalls, 1);
  EXPECT_NE(window, 0u);
  EXPECT_EQ(transientFor, owner);
  EXPECT_FALSE(EditorOptions::eyeCandy());
  EXPECT_TRUE(EditorOptions::constantRedraw());
  EXPECT_TRUE(EditorOptions::floatingTooltip());
  EXPECT_EQ(Settings::readNumber(CFString::constant(kPreferenceEyeCandy), -1), 0);
  EXPECT_EQ(Settings::readNumber(CFString::constant(kPreferenceFloatingTooltip), -1), 1);
  EXPECT_EQ(Settings::readNumber(CFString::constant(kPreferenceConstantRedraw), -1), -1);
  EXPECT_EQ(dialog.opened,
            std::vector<std::string>({AboutDialog::kWebAddress, AboutDialog::kWebAddress}));
  EXPECT_EQ(HvcQuorvella::getOSCBasePort(), 7000);
  // The window is gone once the call returns.
  EXPECT_EQ(driver.findWindow("About"), 0u);
}

TEST_F(AboutDialogWindow, ClicksToggleCheckBoxesOnlyWhenReleasedOnThemAndOKEnds) {
  EditorOptions::setEyeCandy(false);
  EditorOptions::setConstantRedraw(false);
  DrivenDialog dialog(nullptr, [&] {
    uintptr_t window = driver.findWindow("About");
    int width = 0, height = 0;
    if (window == 0 || !driver.windowSize(window, width, height)) return;
    // Dialog units to pixels through the window's own size (200 x 193 units); the points
    // are control centres, several pixels from any edge.
    auto click = [&](int x, int y, int releaseX, int releaseY) {
      driver.movePointer(window, x * width / 200, y * height / 193);
      driver.pressButton();
      driver.movePointer(window, releaseX * width / 200, releaseY * height / 193);
      driver.releaseButton();
    };
    click(60, 142, 60, 142);   // "Eye candy"
    click(60, 152, 60, 100);   // "Constant redraw", released outside: nothing
    click(100, 183, 100, 183);  // OK
  });
  EXPECT_EQ(dialog.show(owner), AboutDialog::kOK);
  EXPECT_TRUE(EditorOptions::eyeCandy());
  EXPECT_FALSE(EditorOptions::constantRedraw());
}

// One effect in this process with its OSC server on a reserved port (offset 5).
class AboutDialogPort : public AboutDialogWindow {
 protected:
  void SetUp() override {
    AboutDialogWindow::SetUp();
    initialBase = osctest::freePort();
    env.setBasePort(initialBase);
    effect.reset(new HvcQuorvella(nullptr));
    effect->setParameter(39, osctest::offsetValue(5));
    ASSERT_TRUE(osctest::waitAnswering(initialBase + 5));
  }

  bool answersPing(int port) {
    if (osctest::oscsend("127.0.0.1", port, "/ping", "ss", {dump.url(), "/p"}) != 0) return false;
    return dump.next(3000) ==
           "/p ss \"osc.udp://127.0.0.1:" + std::to_string(port) + "\" \"Quorvella 1.0.0\"";
  }

  int initialBase = 0;
  std::unique_ptr<HvcQuorvella> effect;
  osctest::OscDump dump;
};

TEST_F(AboutDialogPort, TypingABaseAndEnterMovesTheServerToBasePlusOffset) {
  // 9000 when its block of ports is free on this machine, else another reserved block.
  osctest::PortReservation preferred(9005);
  int base = preferred.held() ? 9000 : osctest::freePort();
  DrivenDialog dialog(effect.get(), [&] { driver.typeText(std::to_string(base) + "\n"); });
  EXPECT_EQ(dialog.show(owner), AboutDialog::kOK);
  EXPECT_EQ(HvcQuorvella::getOSCBasePort(), base);
  EXPECT_EQ(storedBasePort(), base);
  EXPECT_FLOAT_EQ(effect->getParameter(39), osctest::offsetValue(5));
  ASSERT_TRUE(osctest::waitAnswering(base + 5));
  EXPECT_TRUE(answersPing(base + 5));
  EXPECT_TRUE(osctest::waitForPort(initialBase + 5, false));
}

TEST_F(AboutDialogPort, EscapeAfterTypingLeavesThePortUnchanged) {
  int base = osctest::freePort();
  DrivenDialog dialog(effect.get(), [&] { driver.typeText(std::to_string(base) + "\x1b"); });
  EXPECT_EQ(dialog.show(owner), AboutDialog::kCancel);
  EXPECT_EQ(HvcQuorvella::getOSCBasePort(), initialBase);
  EXPECT_EQ(storedBasePort(), initialBase);
  EXPECT_TRUE(answersPing(initialBase + 5));
}

TEST_F(AboutDialogWindow, ClosingTheOwnerEndsTheDialog) {
  DrivenDialog dialog(nullptr, [&] { driver.destroyWindow(owner); });
  EXPECT_EQ(dialog.show(owner), AboutDialog::kCancel);
  EXPECT_EQ(driver.findWindow("About"), 0u);
}

TEST_F(AboutDialogWindow, WithoutADisplayNothingIsShown) {
  testsupport::ScopedEnv noDisplay("DISPLAY", "");
  DrivenDialog dialog(nullptr, nullptr);
  EXPECT_EQ(dialog.show(owner), -1);
  EXPECT_EQ(dialog.shownCalls, 0);
}

}  // namespace
