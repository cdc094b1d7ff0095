// The About/Preferences dialog's logic without a window system: what it shows at opening,
// the check boxes storing their preference on each click, the port applied only on OK with
// a number above 0, and Escape changing nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "effect/HvcQuorvella.h"
#include "framework/CFString.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "gui/elements/EditorOptions.h"
#include "gui/product/AboutDialog.h"
#include "platform/DialogControls.h"
#include "support/UserEnvironment.h"

namespace {

using HC::AboutDialog;
using HC::EditorOptions;

// Keeps what the logic puts into the controls, as a window would.
class RecordingControls : public platform::DialogControls {
 public:
  void setText(int id, const std::string& text) override { texts[id] = text; }
  std::string text(int id) const override {
    auto it = texts.find(id);
    return it == texts.end() ? "" : it->second;
  }
  void setChecked(int id, bool checked) override { checks[id] = checked; }
  bool checked(int id) const override { return checks.count(id) != 0 && checks.at(id); }
  void end(int r) override {
    ++ends;
    result = r;
  }

  std::map<int, std::string> texts;
  std::map<int, bool> checks;
  int ends = 0;
  int result = 0;
};

constexpr int32_t kAbsent = -12345;

int32_t stored(const char* name) {
  return Settings::readNumber(CFString::constant(name), kAbsent);
}

class AboutDialogLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    EditorOptions::setEyeCandy(true);
    EditorOptions::setConstantRedraw(false);
    EditorOptions::setFloatingTooltip(true);
    HvcQuorvella::setOSCBasePort(7000);
  }

  testsupport::UserEnvironment env;
  std::vector<std::string> opened;
  AboutDialog dialog{nullptr, [this](const std::string& url) { opened.push_back(url); }};
  RecordingControls controls;
};

TEST_F(AboutDialogLogic, OpeningShowsTheProductTheVersionTheFlagsAndTheBasePort) {
  HvcQuorvella::setOSCBasePort(8123);
  dialog.initialise(controls);
  EXPECT_EQ(controls.text(AboutDialog::kProduct), "Quorvella");
  EXPECT_EQ(controls.text(AboutDialog::kVersion), "1.0.0");
  EXPECT_TRUE(controls.checked(AboutDialog::kEyeCandy));
  EXPECT_FALSE(controls.checked(AboutDialog::kConstantRedraw));
  EXPECT_TRUE(controls.checked(AboutDialog::kFloatingTooltip));
  EXPECT_EQ(controls.text(AboutDialog::kPortField), "8123");
  EXPECT_EQ(controls.ends, 0);
  EXPECT_EQ(AboutDialog::versionText(0x020304), "2.3.4");
}

TEST_F(AboutDialogLogic, EachCheckBoxStoresItsPreferenceAtOnceAndTwoClicksRestoreIt) {
  struct Box {
    int id;
    const char* preference;
    bool (*flag)();
  };
  const Box boxes[] = {{AboutDialog::kEyeCandy, kPreferenceEyeCandy, EditorOptions::eyeCandy},
                       {AboutDialog::kConstantRedraw, kPreferenceConstantRedraw,
                        EditorOptions::constantRedraw},
                       {AboutDialog::kFloatingTooltip, kPreferenceFloatingTooltip,
                        EditorOptions::floatingTooltip}};
  dialog.initialise(controls);
  for (const Box& box : boxes) {
    SCOPED_TRACE(box.preference);
    bool before = box.flag();
    ASSERT_EQ(stored(box.preference), kAbsent);
    dialog.command(controls, box.id);
    EXPECT_EQ(box.flag(), !before);
    EXPECT_EQ(stored(box.preference), before ? 0 : 1);
    EXPECT_EQ(controls.checked(box.id), !before);
    dialog.command(controls, box.id);
    EXPECT_EQ(box.flag(), before);
    // Written twice: the value is now stored, no longer the default.
    EXPECT_EQ(stored(box.preference), before ? 1 : 0);
    EXPECT_EQ(controls.checked(box.id), before);
  }
  EXPECT_EQ(controls.ends, 0);
  EXPECT_EQ(stored(kPreferenceOSCBasePort), kAbsent);
}

TEST_F(AboutDialogLogic, OKWithANumberAboveZeroStoresTheBasePortAndEnds) {
  dialog.initialise(controls);
  controls.setText(AboutDialog::kPortField, " 9000x");
  dialog.command(controls, AboutDialog::kOK);
  EXPECT_EQ(controls.ends, 1);
  EXPECT_EQ(controls.result, AboutDialog::kOK);
  EXPECT_EQ(HvcQuorvella::getOSCBasePort(), 9000);
  EXPECT_EQ(stored(kPreferenceOSCBasePort), 9000);
}

TEST_F(AboutDialogLogic, OKWithoutAUsableNumberChangesNothingButStillEnds) {
  const char* texts[] = {"", "0", "-5", "abc", "99999999999", "+0"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    RecordingControls window;
    dialog.initialise(window);
    window.setText(AboutDialog::kPortField, text);
    dialog.command(window, AboutDialog::kOK);
    EXPECT_EQ(window.ends, 1);
    EXPECT_EQ(window.result, AboutDialog::kOK);
    EXPECT_EQ(HvcQuorvella::getOSCBasePort(), 7000);
    EXPECT_EQ(stored(kPreferenceOSCBasePort), kAbsent);
  }
}

TEST_F(AboutDialogLogic, EscapeAfterEditingThePortChangesNothing) {
  dialog.initialise(controls);
  controls.setText(AboutDialog::kPortField, "9000");
  dialog.command(controls, AboutDialog::kCancel);
  EXPECT_EQ(controls.ends, 1);
  EXPECT_EQ(controls.result, AboutDialog::kCancel);
  EXPECT_EQ(HvcQuorvella::getOSCBasePort(), 7000);
  EXPECT_EQ(stored(kPreferenceOSCBasePort), kAbsent);
  EXPECT_TRUE(opened.empty());
}

TEST_F(AboutDialogLogic, TheWebSiteButtonOpensOurAddressAndTheDialogStaysOpen) {
  dialog.initialise(controls);
  dialog.command(controls, AboutDialog::kWebSite);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], AboutDialog::kWebAddress);
  EXPECT_EQ(controls.ends, 0);
  // Controls that only show something do nothing when sent a command.
  dialog.command(controls, AboutDialog::kVersion);
  EXPECT_EQ(controls.ends, 0);
  EXPECT_EQ(opened.size(), 1u);
}

TEST(AboutDialogNumber, ReadsTheLeadingDecimalIntegerOfTheFirst255Characters) {
  EXPECT_EQ(AboutDialog::parseNumber("9005"), 9005);
  EXPECT_EQ(AboutDialog::parseNumber("\t 12ab3"), 12);
  EXPECT_EQ(AboutDialog::parseNumber("+7"), 7);
  EXPECT_EQ(AboutDialog::parseNumber("-40"), -40);
  EXPECT_EQ(AboutDialog::parseNumber("2147483647"), 2147483647);
  EXPECT_EQ(AboutDialog::parseNumber("2147483648"), 0);
  EXPECT_EQ(AboutDialog::parseNumber("-"), 0);
  EXPECT_EQ(AboutDialog::parseNumber(std::string(255, ' ') + "5"), 0);
  EXPECT_EQ(AboutDialog::parseNumber(std::string(254, ' ') + "5"), 5);
}

TEST(DialogUnits, ScaleWithTheFontAndRoundToNearest) {
  platform::DialogBaseUnits units;  // 6 x 13, the classic 8-point dialog font
  EXPECT_EQ(units.toPixelsX(200), 300);
  EXPECT_EQ(units.toPixelsY(193), 314);  // 313.625
  EXPECT_EQ(units.toPixelsY(12), 20);    // 19.5 rounds up
  units.charWidth = 7;
  EXPECT_EQ(units.toPixelsX(70), 123);   // 122.5
  EXPECT_EQ(units.toPixelsX(-70), -123);
}

}  // namespace
