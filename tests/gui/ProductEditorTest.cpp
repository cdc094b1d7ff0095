// The product's editor through the real boundary: build/quorvella.so loaded by the host
// library, its built-in layout shown on the private Xvfb.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>
#include <utility>
#include <vector>
#include <string>

#include "faces/vst2/AEffect.h"
#include "framework/SettingsValueNames.h"
#include "support/UserEnvironment.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/ProductPicture.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

using producttest::kHeight;
using producttest::kWidth;
using producttest::LayoutProbes;
using testsupport::Image;
using testsupport::Pixel;

class ProductEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    driver.movePointer(driver.rootWindow(), 1270, 1500);  // nothing hovered
    ASSERT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
  }

  // Opens a fresh instance's editor and takes its first picture of the whole layout.
  void showLayout(Image& picture) {
    vsthost::HostedEffect effect(library);
    ASSERT_TRUE(effect.valid()) << effect.error();
    EXPECT_NE(effect.record()->flags & effFlagsHasEditor, 0);
    vsthost::EditorHost host(effect);
    std::string error;
    ASSERT_TRUE(host.open("product editor", error)) << error;
    driver.moveWindow(host.window(), 0, 0);
    LayoutProbes last;
    EXPECT_TRUE(producttest::waitForLayout(host, driver, picture, last))
        << "tile " << last.plum << ", field plates " << last.plates << ", meters " << last.meters;
    EXPECT_EQ(picture.width, kWidth);
    EXPECT_EQ(picture.height, kHeight);
    host.close();
  }

  // Before the driver, which connects to the display that this starts.
  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  testsupport::XTestDriver driver;
  vsthost::PluginLibrary library;
  testsupport::UserEnvironment user;
};

TEST_F(ProductEditor, ShowsTheBuiltInLayout) {
  Image picture;
  showLayout(picture);
  producttest::TextProbes text = producttest::probeText(picture);
  EXPECT_TRUE(text.complete()) << "banner ink " << text.bannerInk << ", fields with text "
                               << text.fieldsWithText;
}

bool near(const Pixel& a, const Pixel& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// Pixels that differ by more than a lighting change of the fixed colours could hide.
bool differs(const Pixel& a, const Pixel& b) { return !near(a, b, 20); }

struct Share {
  int differing = 0, total = 0;
  double fraction() const { return total ? static_cast<double>(differing) / total : 0.0; }
};

// The knob above each field: the inner part of its face, a disc of radius 14 around the
// middle of the 37 x 37 box that ends a pixel above the plate.
Share knobFaces(const Image& lit, const Image& unlit, const std::vector<std::pair<int, int>>& fields,
                int& knobsMostlyDiffering) {
  Share all;
  knobsMostlyDiffering = 0;
  for (const auto& field : fields) {
    Share knob;
    const int cx = field.first + 18, cy = field.second - 2 - 18;
    for (int y = cy - 14; y <= cy + 14; ++y)
      for (int x = cx - 14; x <= cx + 14; ++x) {
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > 14 * 14) continue;
        ++knob.total;
        if (differs(lit.at(x, y), unlit.at(x, y))) ++knob.differing;
      }
    if (knob.fraction() > 0.5) ++knobsMostlyDiffering;
    all.differing += knob.differing;
    all.total += knob.total;
  }
  return all;
}

// The tile where the unlit picture shows it, below the banner's strip.
Share background(const Image& lit, const Image& unlit) {
  Share out;
  for (int y = 40; y < unlit.height; ++y)
    for (int x = 0; x < unlit.width; ++x) {
      Pixel p = unlit.at(x, y);
      if (!(p.r > p.g + 8 && p.b > p.g + 8)) continue;
      ++out.total;
      if (differs(lit.at(x, y), p)) ++out.differing;
    }
  return out;
}

// The preference is read at each opening: the same layout twice, lit then unlit.
TEST_F(ProductEditor, EyeCandyOffDrawsTheSameLayoutUnlit) {
  Image lit, unlit;
  user.setNumbers({{kPreferenceEyeCandy, 1}});
  showLayout(lit);
  user.setNumbers({{kPreferenceEyeCandy, 0}});
  showLayout(unlit);
  auto fields = producttest::fieldCorners(unlit);
  EXPECT_EQ(fields.size(), 40u);
  EXPECT_EQ(producttest::fieldCorners(lit), fields);
  int knobs = 0;
  Share faces = knobFaces(lit, unlit, fields, knobs);
  Share tile = background(lit, unlit);
  // The light shades the lit picture everywhere but near itself, wherever it is when the
  // first frame is taken; unlit, the knobs and the tile show their textures as they are.
  EXPECT_GT(faces.fraction(), 0.6) << faces.differing << " of " << faces.total;
  EXPECT_GE(knobs, 30);
  EXPECT_GT(tile.total, 20000);
  EXPECT_GT(tile.fraction(), 0.6) << tile.differing << " of " << tile.total;
}

// The 37 x 12 plate of a text field, as its pixels.
std::vector<uint8_t> plate(const Image& picture, std::pair<int, int> corner) {
  std::vector<uint8_t> out;
  for (int y = corner.second; y < corner.second + 12; ++y)
    for (int x = corner.first; x < corner.first + 37; ++x) {
      Pixel p = picture.at(x, y);
      out.insert(out.end(), {uint8_t(p.r), uint8_t(p.g), uint8_t(p.b)});
    }
  return out;
}

// What hosts send: a value a hair below 1000 Hz, whose display ("1000.0") is a character
// wider than the field; the field must show "1000", as for 1000 Hz itself, never "000.0".
TEST_F(ProductEditor, AValueTooWideForItsFieldKeepsItsLeadingDigits) {
  constexpr int32_t kFilterCutoff = 25;
  // The hair is found on an instance of its own: going back through the normalised value
  // would not give exactly 1000 Hz again.
  float hair = 0.0f;
  {
    vsthost::HostedEffect probe(library);
    ASSERT_EQ(probe.parameterName(kFilterCutoff), "Filter Cutoff");
    hair = probe.getParameter(kFilterCutoff);
    for (int i = 0; i < 100000 && probe.parameterDisplay(kFilterCutoff) != "1000.0"; ++i) {
      hair = std::nextafter(hair, 0.0f);
      probe.setParameter(kFilterCutoff, hair);
    }
    ASSERT_EQ(probe.parameterDisplay(kFilterCutoff), "1000.0");
  }
  vsthost::HostedEffect effect(library);
  ASSERT_EQ(effect.parameterDisplay(kFilterCutoff), "1000");  // the default, exactly

  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("product editor", error)) << error;
  Image atWhole, picture;
  LayoutProbes last;
  ASSERT_TRUE(producttest::waitForLayout(host, driver, atWhole, last));
  auto fields = producttest::fieldCorners(atWhole);
  ASSERT_EQ(fields.size(), 40u);
  auto kids = driver.children(host.window());
  ASSERT_EQ(kids.size(), 1u);
  // Idles until pred holds for the picture; false at the guard.
  auto idleUntil = [&](const std::function<bool()>& pred) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < limit) {
      if (!host.idle()) return false;
      if (driver.screenshot(kids[0], picture) && pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  };

  // The lowest value ("50.00") tells which field is the cutoff's.
  effect.setParameter(kFilterCutoff, 0.0f);
  size_t field = fields.size();
  ASSERT_TRUE(idleUntil([&] {
    for (size_t i = 0; i < fields.size(); ++i)
      if (plate(picture, fields[i]) != plate(atWhole, fields[i])) field = i;
    return field < fields.size();
  }));
  const std::vector<uint8_t> atLowest = plate(picture, fields[field]);

  effect.setParameter(kFilterCutoff, hair);
  ASSERT_TRUE(idleUntil([&] { return plate(picture, fields[field]) != atLowest; }));
  // Whether "1000.0" fits depends on the font the system gives: then it shows whole, from
  // inside the plate and wider than "1000"; otherwise the field shows "1000" exactly.
  const std::vector<uint8_t> atHair = plate(picture, fields[field]);
  const std::pair<int, int> inkHair = producttest::fieldInk(picture, fields[field]);
  const std::pair<int, int> inkWhole = producttest::fieldInk(atWhole, fields[field]);
  if (atHair != plate(atWhole, fields[field])) {
    EXPECT_GE(inkHair.first, 1) << "the text runs off the field's left edge";
    EXPECT_LT(inkHair.first, inkWhole.first) << "the field does not show six characters";
  }
  host.close();
}

// A host's program change tells no control, but the value fields read the current values
// as they draw: every field whose text differs shows the new program's, and going back
// shows the first picture's fields again. Constant redraw is off, so that no refresh stands
// in for the frames the change itself draws (FrameRendererTest checks that the very next
// frame draws). The knobs keep their angles until the next opening; that is as designed.
TEST_F(ProductEditor, AfterTheHostChangesTheProgramTheFieldsShowItsValues) {
  user.setNumbers({{kPreferenceConstantRedraw, 0}});
  vsthost::HostedEffect effect(library);
  ASSERT_TRUE(effect.valid()) << effect.error();
  const int32_t count = effect.record()->numParams;
  std::vector<std::string> before, after;
  effect.setProgram(1);
  for (int32_t i = 0; i < count; ++i) after.push_back(effect.parameterDisplay(i));
  effect.setProgram(0);
  size_t differing = 0;
  for (int32_t i = 0; i < count; ++i) differing += effect.parameterDisplay(i) != after[size_t(i)];
  ASSERT_GE(differing, 5u) << "programs 0 and 1 should differ in several values";

  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("product editor", error)) << error;
  Image first, picture;
  LayoutProbes last;
  ASSERT_TRUE(producttest::waitForLayout(host, driver, first, last));
  auto fields = producttest::fieldCorners(first);
  ASSERT_EQ(fields.size(), 40u);
  for (const auto& field : fields) EXPECT_LT(producttest::fieldInk(first, field).first, 37) << "a field without text";
  auto kids = driver.children(host.window());
  ASSERT_EQ(kids.size(), 1u);
  auto changedFields = [&] {
    size_t changed = 0;
    for (const auto& field : fields) changed += plate(picture, field) != plate(first, field);
    return changed;
  };
  // Idles until the picture has `changed` fields other than at first; false at the guard.
  auto idleUntilChanged = [&](size_t changed) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < limit) {
      if (!host.idle()) return false;
      if (driver.screenshot(kids[0], picture) && changedFields() == changed) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  };
  effect.setProgram(1);
  EXPECT_TRUE(idleUntilChanged(differing)) << changedFields() << " of " << differing
                                           << " fields show program 1";
  effect.setProgram(0);
  EXPECT_TRUE(idleUntilChanged(0)) << changedFields() << " fields still differ from program 0";
  host.close();
}

// Each closed editor leaves its GL context to the next opening while an instance of the
// plug-in lives. An editor drawn in a context that a lit editor used before must look
// exactly like the first one drawn in a fresh context (unlit, silent and unhovered, its
// picture does not move).
TEST_F(ProductEditor, ReopenedEditorDrawsTheSamePicture) {
  vsthost::HostedEffect keeper(library);
  ASSERT_TRUE(keeper.valid()) << keeper.error();
  Image first, between, again;
  user.setNumbers({{kPreferenceEyeCandy, 0}});
  showLayout(first);
  user.setNumbers({{kPreferenceEyeCandy, 1}});
  showLayout(between);
  user.setNumbers({{kPreferenceEyeCandy, 0}});
  showLayout(again);
  ASSERT_EQ(first.rgb.size(), again.rgb.size());
  size_t differing = 0;
  for (size_t i = 0; i < first.rgb.size(); ++i)
    if (first.rgb[i] != again.rgb[i]) ++differing;
  EXPECT_EQ(differing, 0u);
}

}  // namespace
