// The product's editor through the real boundary: a user's skin in place of the built-in
// layout, and the Prefs button's dialog, with build/quorvella.so on the private Xvfb.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "faces/vst2/AEffect.h"
#include "support/StreamCapture.h"
#include "support/TestFiles.h"
#include "support/UserEnvironment.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/EditorFixture.h"
#include "tests/gui/ProductPicture.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using testsupport::Image;
using testsupport::Pixel;

using producttest::kFieldPlate;
using producttest::kHeight;
// The meters' dark wells, drawn unlit.
const Pixel kMeterWell{26, 26, 26};

bool complete(const Image& image) { return producttest::probeLayout(image).complete(); }

// Idles the editor as a host does until its picture satisfies shown.
bool idleUntil(vsthost::EditorHost& host, testsupport::XTestDriver& driver, Image& picture,
               const std::function<bool(const Image&)>& shown) {
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(editortest::kGuardSeconds);
  while (std::chrono::steady_clock::now() < limit) {
    if (!host.idle()) return false;
    uintptr_t child = editortest::editorWindow(driver, host);
    if (child && driver.screenshot(child, picture) && shown(picture)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class ProductSkinAndDialog : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::XvfbDisplay::shared().ok()) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    driver.movePointer(driver.rootWindow(), 1270, 1500);  // nothing hovered
  }
  // Loads the plug-in and makes its instance, which reads the user's preferences.
  void createInstance() {
    ASSERT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
    effect.reset(new vsthost::HostedEffect(library));
    ASSERT_TRUE(effect->valid()) << effect->error();
  }
  void openEditor() {
    host.reset(new vsthost::EditorHost(*effect));
    std::string error;
    ASSERT_TRUE(host->open("product editor", error)) << error;
    driver.moveWindow(host->window(), 0, 0);
  }
  void TearDown() override {
    if (host) host->close();
  }

  // Before the driver, which connects to the display that this starts.
  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  testsupport::XTestDriver driver;
  vsthost::PluginLibrary library;
  std::unique_ptr<vsthost::HostedEffect> effect;
  std::unique_ptr<vsthost::EditorHost> host;
  Image picture;
};

// The example skin: 700 x 470, a dark teal tile (under the lights about a quarter of the
// window stays plainly teal), the display, buttons and meters in a strip
// under the banner and forty 34-pixel fields in three columns below it.
constexpr int kSkinWidth = 700, kSkinHeight = 470, kSkinStripRows = 22 + 120;

struct SkinProbes {
  int teal, plum, stripPlates, meters;
  int columnPlates[3];
};

SkinProbes probeSkin(const Image& image) {
  SkinProbes p{};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      Pixel c = image.at(x, y);
      if (c.g > c.r + 20 && c.b > c.r + 20) ++p.teal;
      if (c.r > c.g + 8 && c.b > c.g + 8) ++p.plum;
    }
  p.stripPlates = image.count(kFieldPlate, 0, 0, kSkinWidth, kSkinStripRows, 6);
  for (int i = 0; i < 3; ++i)
    p.columnPlates[i] = image.count(kFieldPlate, kSkinWidth * i / 3, kSkinStripRows,
                                    kSkinWidth * (i + 1) / 3, kSkinHeight, 6);
  p.meters = image.count(kMeterWell, 0, 0, kSkinWidth, kSkinStripRows, 4);
  return p;
}

TEST_F(ProductSkinAndDialog, TheSkinChosenInThePreferencesReplacesTheLayout) {
  testsupport::UserEnvironment user(testsupport::UserEnvironment::Folders::scriptsAndSettings);
  const std::string skins = user.dataHome() + "/Halvercast/Quorvella/Skins/";
  testsupport::makeFolders(skins);
  std::filesystem::copy(QUORVELLA_EXAMPLE_SKIN, skins + "Tideline",
                        std::filesystem::copy_options::recursive);
  ASSERT_TRUE(testsupport::writeFile(user.settingsFolder() + "/com.halvercastlabs.Quorvella.conf",
                                     "Skin=sz:Tideline\n"));
  createInstance();
  openEditor();
  EXPECT_EQ(host->width(), kSkinWidth);
  EXPECT_EQ(host->height(), kSkinHeight);

  SkinProbes last{};
  bool shown = idleUntil(*host, driver, picture, [&](const Image& image) {
    if (image.width != kSkinWidth || image.height != kSkinHeight) return false;
    last = probeSkin(image);
    const int field = 34 * 6;  // a field's plate rows around its digits
    return last.teal >= kSkinWidth * kSkinHeight / 5 && last.meters >= 4 * 8 * 96 * 9 / 10 &&
           last.columnPlates[0] >= 4 * field && last.columnPlates[1] >= 4 * field &&
           last.columnPlates[2] >= 4 * field &&
           last.columnPlates[0] + last.columnPlates[1] + last.columnPlates[2] >= 40 * field;
  });
  EXPECT_TRUE(shown) << "teal " << last.teal << ", meters " << last.meters << ", column plates "
                     << last.columnPlates[0] << " " << last.columnPlates[1] << " "
                     << last.columnPlates[2];
  // Nothing of the built-in layout: no plum tile, no field in the strip under the banner.
  EXPECT_LT(last.plum, kSkinWidth * kSkinHeight / 100);
  EXPECT_EQ(last.stripPlates, 0);
}

TEST_F(ProductSkinAndDialog, ThePrefsButtonOpensTheAboutDialogOverTheHostsWindowAndEscapeClosesIt) {
  testsupport::UserEnvironment user;  // no skin: the built-in layout
  createInstance();
  openEditor();
  ASSERT_TRUE(idleUntil(*host, driver, picture, [](const Image& image) { return complete(image); }));

  // The dialog is modal: the idle that handles the click returns when it ends. Another
  // connection meanwhile finds it, and once it has the keyboard focus presses Escape.
  uintptr_t dialog = 0, owner = 0;
  bool focused = false;
  std::thread escaper([&] {
    testsupport::XTestDriver other;
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(editortest::kGuardSeconds);
    while (std::chrono::steady_clock::now() < limit) {
      if (dialog == 0) dialog = other.findWindow("About");
      if (dialog != 0 && other.focusedWindow() == dialog) {
        focused = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (dialog == 0) return;  // no dialog: the idle has returned already
    owner = other.transientFor(dialog);
    if (!focused) other.focus(dialog);  // so that a broken dialog still ends
    other.typeText("\x1b");
  });
  // The Prefs button: 115 x 30 at (432, 20) of the layout, origin bottom left.
  driver.movePointer(editortest::editorWindow(driver, *host), 432 + 57, kHeight - 1 - 35);
  driver.pressButton();
  driver.releaseButton();
  EXPECT_TRUE(host->idle());
  escaper.join();
  ASSERT_NE(dialog, 0u) << "no window titled About";
  EXPECT_TRUE(focused);
  EXPECT_EQ(owner, host->window());
  EXPECT_EQ(driver.findWindow("About"), 0u);

  // The editor still draws: moving the pointer into the Mix group changes its picture.
  ASSERT_TRUE(idleUntil(*host, driver, picture, [](const Image& image) { return complete(image); }));
  const Image before = picture;
  driver.movePointer(editortest::editorWindow(driver, *host), 700, kHeight - 1 - 100);
  EXPECT_TRUE(idleUntil(*host, driver, picture, [&](const Image& image) {
    return image.rgb != before.rgb && complete(image);
  }));
}

// The small example of docs/skins.md, saved and chosen as the page says: a 320 x 200
// window on a dark blue background, two knobs drawn with the borrowed knob images and a
// script button whose label "Dry" is drawn on it, and nothing on standard error.
TEST_F(ProductSkinAndDialog, TheSkinsPagesSmallExampleWorksAsPrinted) {
  const std::string page = testsupport::readFile(QUORVELLA_SKINS_PAGE);
  const size_t section = page.find("## A small example");
  ASSERT_NE(section, std::string::npos);
  const size_t begin = page.find("```lua\n", section);
  const size_t end = page.find("```\n", begin + 7);
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::string script = page.substr(begin + 7, end - begin - 7);
  // The commands before it copy the example skin's knob images and choose the skin.
  for (const char* step :
       {"cp examples/skins/Tideline/Contents/Resources/atlas.png $skin/",
        "cp examples/skins/Tideline/Contents/Resources/atlas_n.png $skin/", "Skin=sz:Small"})
    ASSERT_NE(page.find(step, section), std::string::npos) << step;

  testsupport::UserEnvironment user(testsupport::UserEnvironment::Folders::scriptsAndSettings);
  const std::string skin =
      user.dataHome() + "/Halvercast/Quorvella/Skins/Small/Contents/Resources/";
  testsupport::makeFolders(skin);
  for (const char* image : {"atlas.png", "atlas_n.png"})
    std::filesystem::copy_file(std::string(QUORVELLA_EXAMPLE_SKIN) + "/Contents/Resources/" + image,
                               skin + image);
  ASSERT_TRUE(testsupport::writeFile(skin + "gui.lua", script));
  ASSERT_TRUE(testsupport::writeFile(user.settingsFolder() + "/com.halvercastlabs.Quorvella.conf",
                                     "Skin=sz:Small\n"));

  testsupport::StreamCapture errors(2);
  createInstance();
  openEditor();
  ASSERT_EQ(host->width(), 320);
  ASSERT_EQ(host->height(), 200);

  // Rows from the top: the knobs' boxes (37 pixels from (20, 30) and (68, 30), origin
  // bottom left) and the button's (80 x 30 at (200, 150)), each a little inset.
  // The background is the script's dark blue under the lights: blue outweighs green
  // everywhere on it, while the borrowed knob face is teal, its green above its blue.
  auto blue = [](const Pixel& c) { return c.b > c.g && c.b > c.r; };
  auto knobPixels = [](const Image& image, int left) {
    int drawn = 0;
    for (int y = 200 - 67 + 4; y < 200 - 30 - 4; ++y)
      for (int x = left + 4; x < left + 37 - 4; ++x) {
        Pixel c = image.at(x, y);
        if (c.g > c.b + 8) ++drawn;
      }
    return drawn;
  };
  // The label is drawn in a light grey, (204, 204, 204) where a glyph is solid.
  auto labelPixels = [](const Image& image) {
    int grey = 0;
    for (int y = 200 - 180 + 3; y < 200 - 150 - 3; ++y)
      for (int x = 200 + 3; x < 280 - 3; ++x) {
        Pixel c = image.at(x, y);
        int low = std::min({c.r, c.g, c.b}), high = std::max({c.r, c.g, c.b});
        if (low > 140 && high - low < 30) ++grey;
      }
    return grey;
  };
  const int knobArea = 29 * 29;
  int backdrop = 0, dry = 0, wet = 0, label = 0;
  bool shown = idleUntil(*host, driver, picture, [&](const Image& image) {
    if (image.width != 320 || image.height != 200) return false;
    backdrop = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) backdrop += blue(image.at(x, y)) ? 1 : 0;
    dry = knobPixels(image, 20);
    wet = knobPixels(image, 68);
    label = labelPixels(image);
    return backdrop >= 320 * 200 / 2 && dry >= knobArea / 6 && wet >= knobArea / 6 && label >= 12;
  });
  EXPECT_TRUE(shown) << "background " << backdrop << ", knobs " << dry << " " << wet << ", label "
                     << label;
  EXPECT_EQ(errors.stop().find("@@@"), std::string::npos);
}

}  // namespace
