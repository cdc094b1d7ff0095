// The LV2 UI binary (build/quorvella.lv2/quorvella_ui.so) in a small host of our own on a
// private Xvfb: it embeds the product's editor in the host's window, draws the layout,
// announces its size, turns a knob drag into port writes framed by touch, moves its
// controls on the host's port events, and shows one instance's editor in one UI at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "dsp/QuorvellaParameters.h"
#include "faces/lv2/LV2InstanceLink.h"
#include "faces/lv2/LV2Ports.h"
#include "framework/HvcAuBase.h"
#include "lv2/LV2Instance.h"
#include "lv2/LV2UIHost.h"
#include "support/ScopedEnv.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/ProductPicture.h"

using namespace lv2face;
using namespace lv2test;
using testsupport::Image;

namespace {

constexpr int kGuardSeconds = 60;  // only a broken editor comes near it

class LV2UI : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display.ok()) << display.error();
    ASSERT_TRUE(driver.ok());
    ASSERT_TRUE(plugin.valid());
    ASSERT_TRUE(ui.loaded()) << ui.error();
    parent = driver.createWindow(producttest::kWidth, producttest::kHeight, "lv2 host");
  }

  // Idles the UI as a host does until the editor's picture satisfies shown.
  bool idleUntil(const std::function<bool(const Image&)>& shown) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(kGuardSeconds);
    while (std::chrono::steady_clock::now() < limit) {
      if (ui.idle() != 0) return false;
      if (driver.screenshot(ui.widget(), picture) && shown(picture)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  static bool complete(const Image& image) {
    return producttest::probeLayout(image).complete();
  }

  // A private server for this program, never a display another test may use.
  testsupport::XvfbDisplay display;
  testsupport::ScopedEnv displayVariable{"DISPLAY", display.name().c_str()};
  testsupport::ScopedEnv software{"LIBGL_ALWAYS_SOFTWARE", "1"};
  testsupport::XTestDriver driver;
  BundleWorld bundle{QUORVELLA_LV2_BUNDLE_DIR};
  LV2Instance plugin{bundle, LV2Instance::Setup()};
  LV2UIHost ui{QUORVELLA_LV2_UI_PATH};
  uintptr_t parent = 0;
  Image picture;
};

TEST_F(LV2UI, OpensInTheHostsWindowAnnouncesItsSizeAndDrawsTheLayout) {
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(ui.instantiate(plugin.handle(), parent));
  ASSERT_NE(ui.widget(), 0u);
  EXPECT_EQ(driver.children(parent), std::vector<uintptr_t>{ui.widget()});
  ASSERT_EQ(ui.sizes().size(), 1u);
  EXPECT_EQ(ui.sizes()[0], std::make_pair(producttest::kWidth, producttest::kHeight));
  int width = 0, height = 0;
  ASSERT_TRUE(driver.windowSize(ui.widget(), width, height));
  EXPECT_EQ(width, producttest::kWidth);
  EXPECT_EQ(height, producttest::kHeight);
  ASSERT_TRUE(idleUntil(complete));
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  // A figure for the record, not a limit: the time depends on the machine.
  RecordProperty("ui_first_complete_frame_ms", std::to_string(ms));
  std::printf("UI instantiation to the first complete frame: %.0f ms\n", ms);

  ui.cleanup();
  EXPECT_EQ(plugin.product().getEditor(), nullptr);
  EXPECT_TRUE(driver.children(parent).empty());
}

TEST_F(LV2UI, AKnobDragBecomesPortWritesOfPlainValuesFramedByTouch) {
  ASSERT_TRUE(ui.instantiate(plugin.handle(), parent));
  ASSERT_TRUE(idleUntil(complete));
  auto fields = producttest::fieldCorners(picture);
  ASSERT_GE(fields.size(), 1u);
  // The knob above the first field: a 37 x 37 box ending a pixel above its plate.
  const int x = fields[0].first + 18, y = fields[0].second - 19;
  ui.clearRecords();
  // The drag runs inside the idle call until its release: queue it whole, then idle.
  driver.movePointer(ui.widget(), x, y);
  driver.pressButton(1);
  for (int step = 1; step <= 6; ++step) driver.movePointer(ui.widget(), x, y - 10 * step);
  driver.releaseButton(1);
  ASSERT_EQ(ui.idle(), 0);

  const auto& touches = ui.touches();
  const auto& writes = ui.writes();
  ASSERT_EQ(touches.size(), 2u);
  EXPECT_TRUE(touches[0].grabbed);
  EXPECT_FALSE(touches[1].grabbed);
  const uint32_t port = touches[0].port;
  EXPECT_EQ(touches[1].port, port);
  const int32_t index = portParameter(port);
  ASSERT_GE(index, 0) << "touch on port " << port;
  ASSERT_GE(writes.size(), 1u);
  const ParameterDescriptor& d = kQuorvellaParameters[index];
  for (const auto& w : writes) {
    EXPECT_EQ(w.port, port);
    EXPECT_EQ(w.size, sizeof(float));
    EXPECT_EQ(w.protocol, 0u);  // a float control value
    EXPECT_TRUE(w.value >= d.minimum && w.value <= d.maximum) << w.value;
  }
  // Plain values, the product's own: the last write is what the editor set.
  EXPECT_EQ(writes.back().value, plugin.product().getPlainValue(index));
  EXPECT_NE(writes.back().value, d.defaultValue);

  // The host hands the written value back to the plug-in's port: run() applies it as the
  // value the product already has.
  plugin.control(port) = writes.back().value;
  std::vector<float> silence(64, 0.0f), out(64);
  plugin.activate();
  plugin.run(silence.data(), silence.data(), out.data(), out.data(), 64);
  EXPECT_EQ(plugin.product().getPlainValue(index), writes.back().value);
}

TEST_F(LV2UI, WithoutTouchADragStillWritesThePort) {
  LV2UIHost::Features features;
  features.touch = false;
  features.resize = false;
  ASSERT_TRUE(ui.instantiate(plugin.handle(), parent, features));
  EXPECT_TRUE(ui.sizes().empty());
  ASSERT_TRUE(idleUntil(complete));
  auto fields = producttest::fieldCorners(picture);
  ASSERT_GE(fields.size(), 1u);
  const int x = fields[0].first + 18, y = fields[0].second - 19;
  driver.movePointer(ui.widget(), x, y);
  driver.pressButton(1);
  driver.movePointer(ui.widget(), x, y - 40);
  driver.releaseButton(1);
  ASSERT_EQ(ui.idle(), 0);
  EXPECT_TRUE(ui.touches().empty());
  EXPECT_FALSE(ui.writes().empty());
}

TEST_F(LV2UI, PortEventsFromTheHostMoveTheControls) {
  ASSERT_TRUE(ui.instantiate(plugin.handle(), parent));
  ASSERT_TRUE(idleUntil(complete));
  auto fields = producttest::fieldCorners(picture);
  ASSERT_GE(fields.size(), 1u);
  // Which parameter the first knob shows: the one a small drag writes.
  const int x = fields[0].first + 18, y = fields[0].second - 19;
  driver.movePointer(ui.widget(), x, y);
  driver.pressButton(1);
  driver.movePointer(ui.widget(), x, y - 5);
  driver.releaseButton(1);
  ASSERT_EQ(ui.idle(), 0);
  ASSERT_FALSE(ui.writes().empty());
  const uint32_t port = ui.writes().back().port;
  const int32_t index = portParameter(port);
  const ParameterDescriptor& d = kQuorvellaParameters[index];
  driver.movePointer(ui.widget(), 0, 0);  // no hover light on the knob
  ASSERT_TRUE(idleUntil(complete));
  auto knobOf = [&](const Image& image) {
    std::vector<int> pixels;
    for (int j = -15; j <= 15; ++j)
      for (int i = -15; i <= 15; ++i) {
        auto p = image.at(x + i, y + j);
        pixels.insert(pixels.end(), {p.r, p.g, p.b});
      }
    return pixels;
  };
  const std::vector<int> before = knobOf(picture);
  const float value = plugin.product().getPlainValue(index);

  // The host's values move the knob, as a host's setParameter does, and are shown only:
  // the plug-in applies them when it runs.
  ui.portEvent(port, d.maximum);
  ASSERT_TRUE(idleUntil([&](const Image& image) { return knobOf(image) != before; }));
  const std::vector<int> atMaximum = knobOf(picture);
  EXPECT_EQ(plugin.product().getPlainValue(index), value);
  ui.portEvent(port, d.minimum);
  EXPECT_TRUE(idleUntil([&](const Image& image) {
    return knobOf(image) != atMaximum && knobOf(image) != before;
  }));
}

TEST_F(LV2UI, OneUiAtATimeShowsAnInstancesEditorAndHostsWithoutTheRequiredFeaturesGetNone) {
  ASSERT_TRUE(ui.instantiate(plugin.handle(), parent));
  LV2UIHost second(QUORVELLA_LV2_UI_PATH);
  uintptr_t otherParent = driver.createWindow(200, 200, "second host");
  EXPECT_FALSE(second.instantiate(plugin.handle(), otherParent));
  EXPECT_TRUE(driver.children(otherParent).empty());
  // The first is untouched by the refusal.
  ASSERT_TRUE(idleUntil(complete));
  ui.cleanup();
  EXPECT_TRUE(second.instantiate(plugin.handle(), otherParent));
  second.cleanup();

  LV2UIHost::Features noParent;
  noParent.parent = false;
  EXPECT_FALSE(ui.instantiate(plugin.handle(), parent, noParent));
  LV2UIHost::Features noAccess;
  noAccess.instanceAccess = false;
  EXPECT_FALSE(ui.instantiate(plugin.handle(), parent, noAccess));
  EXPECT_EQ(plugin.product().getEditor(), nullptr);
  // Port events for ports that are not parameters, or of other formats, are ignored.
  ASSERT_TRUE(ui.instantiate(plugin.handle(), parent));
  ui.portEvent(kPortLatency, 5.0f);
  ui.portEvent(kNumPorts + 3, 5.0f);
  ASSERT_TRUE(ui.uiDescriptor()->port_event);
  const double wide = 1.0;
  uint32_t anyPort = parameterPort(0);
  ui.uiDescriptor()->port_event(nullptr, anyPort, sizeof wide, 0, &wide);
  EXPECT_EQ(ui.idle(), 0);
}

}  // namespace
