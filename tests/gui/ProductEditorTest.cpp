// The product's editor through the real boundary: build/quorvella.so loaded by the host
// library, its built-in layout shown on the private Xvfb.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/AEffect.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/EditorFixture.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using testsupport::Image;
using testsupport::Pixel;

constexpr int kWidth = 818, kHeight = 318;
// The text fields' plate and the meters' dark backgrounds are drawn in fixed colours; the
// background is the plum tile, lit or not.
const Pixel kFieldPlate{204, 204, 217};
const Pixel kMeterWell{26, 26, 26};

struct Probes {
  int plum, plates, meters;
};

Probes probe(const Image& image) {
  int plum = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      Pixel p = image.at(x, y);
      if (p.r > p.g + 8 && p.b > p.g + 8) ++plum;
    }
  return {plum, image.count(kFieldPlate, 0, 0, kWidth, kHeight, 6),
          image.count(kMeterWell, 0, 0, kWidth, kHeight, 4)};
}

// Forty fields of 37 x 12 with their digits; four silent meters of 5 x 81; the tile around.
bool complete(const Probes& p) {
  return p.plates >= 40 * 37 * 6 && p.meters >= 4 * 5 * 81 * 9 / 10 && p.plum >= 20000;
}

TEST(ProductEditor, ShowsTheBuiltInLayout) {
  ASSERT_TRUE(testsupport::XvfbDisplay::shared().ok()) << testsupport::XvfbDisplay::shared().error();
  testsupport::XTestDriver driver;
  ASSERT_TRUE(driver.ok());
  driver.movePointer(driver.rootWindow(), 1270, 1500);  // nothing hovered
  vsthost::PluginLibrary library;
  ASSERT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
  vsthost::HostedEffect effect(library);
  ASSERT_TRUE(effect.valid()) << effect.error();
  EXPECT_NE(effect.record()->flags & effFlagsHasEditor, 0);

  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("product editor", error)) << error;
  driver.moveWindow(host.window(), 0, 0);
  Image picture;
  Probes last{};
  bool shown = false;
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(editortest::kGuardSeconds);
  while (!shown && std::chrono::steady_clock::now() < limit) {
    ASSERT_TRUE(host.idle());
    uintptr_t child = editortest::editorWindow(driver, host);
    if (child && driver.screenshot(child, picture)) {
      last = probe(picture);
      shown = complete(last);
    }
    if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(shown) << "tile " << last.plum << ", field plates " << last.plates << ", meters "
                     << last.meters;
  EXPECT_EQ(picture.width, kWidth);
  EXPECT_EQ(picture.height, kHeight);
  host.close();
}

}  // namespace
