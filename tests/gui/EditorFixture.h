// What the editor tests share: the test plug-in loaded through the host library, an XTEST
// driver on the test display, and ways to wait for the editor's picture and to drive
// pointer gestures at the layout's places.
//
// Waiting is always for a condition (a picture, a parameter), with a generous limit that
// only guards against a broken editor. A press gesture runs inside the editor's idle
// until its release; gestures are therefore queued in the X server whole (press, moves,
// release) and then handed to the editor by one idle, or finished by a second driver on
// another thread.
//
// Threading: the fixture's methods run on the test's thread, the host's user-interface
// thread; waitForPicture may run on any thread with a driver of its own.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "faces/vst2/AEffect.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/editor/TestEditor.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace editortest {

using testsupport::Image;
using testsupport::Pixel;

constexpr float kOffsetMinimum = -36.0f, kOffsetMaximum = 36.0f;  // Pitch Offset's range
constexpr int kGuardSeconds = 60;

inline Pixel backgroundPixel() {
  return {static_cast<int>(kBackground[0] * 255 + 0.5f),
          static_cast<int>(kBackground[1] * 255 + 0.5f),
          static_cast<int>(kBackground[2] * 255 + 0.5f)};
}

// Window pixels with the origin at the bottom left, as the layout gives them, to the
// picture's rows (top first).
inline int row(float y) { return kHeight - 1 - static_cast<int>(y); }

inline float offsetPlain(float normalised) {
  return kOffsetMinimum + normalised * (kOffsetMaximum - kOffsetMinimum);
}
inline float offsetNormalised(float plain) {
  return (plain - kOffsetMinimum) / (kOffsetMaximum - kOffsetMinimum);
}

// The pixels of a box of the layout (outline included), for comparing one place of two
// pictures.
inline std::vector<uint8_t> region(const Image& image, const Box& box) {
  std::vector<uint8_t> out;
  for (int y = row(box.y + box.height); y <= row(box.y); ++y)
    for (int x = static_cast<int>(box.x); x <= static_cast<int>(box.x + box.width); ++x) {
      Pixel p = image.at(x, y);
      out.insert(out.end(), {static_cast<uint8_t>(p.r), static_cast<uint8_t>(p.g),
                             static_cast<uint8_t>(p.b)});
    }
  return out;
}

// The share of a bar knob's box, inside a 5-pixel inset, that shows white: its value.
inline bool knobShows(const Image& image, const Box& box, bool full) {
  const Pixel white{255, 255, 255}, black{0, 0, 0};
  int x0 = static_cast<int>(box.x) + 5, x1 = static_cast<int>(box.x + box.width) - 5;
  int y0 = row(box.y + box.height - 5), y1 = row(box.y + 5);
  int area = (x1 - x0) * (y1 - y0);
  return image.count(full ? white : black, x0, y0, x1, y1) == area;
}

// Only begin edit (43), automate (0) and end edit (44) of one index, in arrival order.
inline std::vector<vsthost::CallbackRecord> edits(const std::vector<vsthost::CallbackRecord>& all,
                                                  int32_t index) {
  std::vector<vsthost::CallbackRecord> out;
  for (const auto& r : all)
    if (r.index == index && (r.opcode == audioMasterBeginEdit || r.opcode == audioMasterAutomate ||
                             r.opcode == audioMasterEndEdit))
      out.push_back(r);
  return out;
}

// Every automation of the index lies between a begin and an end edit, the pairs do not
// nest, and at least one automation came.
inline ::testing::AssertionResult editsWellFormed(const std::vector<vsthost::CallbackRecord>& all,
                                                  int32_t index) {
  bool open = false;
  int automations = 0;
  for (const auto& r : edits(all, index)) {
    if (r.opcode == audioMasterBeginEdit) {
      if (open) return ::testing::AssertionFailure() << "begin edit inside an edit";
      open = true;
    } else if (r.opcode == audioMasterEndEdit) {
      if (!open) return ::testing::AssertionFailure() << "end edit without a begin";
      open = false;
    } else {
      if (!open) return ::testing::AssertionFailure() << "automation outside an edit";
      ++automations;
    }
  }
  if (open) return ::testing::AssertionFailure() << "edit never ended";
  if (automations == 0) return ::testing::AssertionFailure() << "no automation";
  return ::testing::AssertionSuccess();
}

inline std::vector<float> automations(const std::vector<vsthost::CallbackRecord>& all,
                                      int32_t index) {
  std::vector<float> values;
  for (const auto& r : edits(all, index))
    if (r.opcode == audioMasterAutomate) values.push_back(r.opt);
  return values;
}

// The editor's child window in the host's parent; 0 while there is none.
inline uintptr_t editorWindow(testsupport::XTestDriver& driver, const vsthost::EditorHost& host) {
  auto kids = driver.children(host.window());
  return kids.size() == 1 ? kids[0] : 0;
}

// Takes pictures (without idling the editor) until one satisfies shown.
inline bool waitForPicture(testsupport::XTestDriver& driver, uintptr_t window, Image& picture,
                           const std::function<bool(const Image&)>& shown) {
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(kGuardSeconds);
  for (;;) {
    if (driver.screenshot(window, picture) && shown(picture)) return true;
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

class EditorFixture : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    ASSERT_EQ(library.open(QUORVELLA_TEST_EDITOR_PATH), "");
    // The pointer starts away from every editor, so nothing is hovered.
    driver.movePointer(driver.rootWindow(), 1270, 1500);
  }

  uintptr_t editorWindow(vsthost::EditorHost& host) { return editortest::editorWindow(driver, host); }

  // Idles as a host does until the editor's picture satisfies shown.
  bool idleUntil(vsthost::EditorHost& host, const std::function<bool(const Image&)>& shown) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(kGuardSeconds);
    for (;;) {
      if (!host.idle()) return false;
      uintptr_t child = editorWindow(host);
      if (child && driver.screenshot(child, picture) && shown(picture)) return true;
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  static bool drawn(const Image& image) {
    // A spot no element covers shows the labels layer's background.
    return image.count(backgroundPixel(), 360, 20, 380, 40, 6) == 20 * 20;
  }
  bool idleUntilDrawn(vsthost::EditorHost& host) { return idleUntil(host, drawn); }

  // Opens the host's window at (x, y) of the screen and waits for the first picture.
  void openAt(vsthost::EditorHost& host, int x, int y) {
    std::string error;
    ASSERT_TRUE(host.open("editor test", error)) << error;
    driver.moveWindow(host.window(), x, y);
    ASSERT_TRUE(idleUntilDrawn(host));
  }

  // Pointer to a place of the layout (origin bottom left), relative to the editor.
  void pointAt(vsthost::EditorHost& host, float x, float y) {
    driver.movePointer(editorWindow(host), static_cast<int>(x), row(y));
  }
  // Queues a whole press gesture: press at (x, y), moves up by dy in steps of `step`
  // pixels, release. The editor handles it at its next idle.
  void queueDrag(vsthost::EditorHost& host, float x, float y, int dy, int step) {
    pointAt(host, x, y);
    driver.pressButton();
    for (int moved = step; moved <= dy; moved += step) pointAt(host, x, y + static_cast<float>(moved));
    driver.releaseButton();
  }
  void click(vsthost::EditorHost& host, float x, float y) { queueDrag(host, x, y, 0, 1); }

  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  testsupport::XTestDriver driver;
  vsthost::PluginLibrary library;
  Image picture;
};

}  // namespace editortest
