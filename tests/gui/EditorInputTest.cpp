// Input through the X server to the test plug-in's editor: knob gestures, text entry and
// buttons, with the results read back through the host (getParameter and the callbacks the
// plug-in made).
#include <atomic>

#include "tests/gui/EditorFixture.h"

namespace {

using namespace editortest;
using Key = testsupport::XTestDriver::Key;

class EditorInput : public EditorFixture {
protected:
  void SetUp() override {
    EditorFixture::SetUp();
    if (HasFatalFailure()) return;
    effect.reset(new vsthost::HostedEffect(library));
    ASSERT_TRUE(effect->valid()) << effect->error();
    host.reset(new vsthost::EditorHost(*effect));
    // Low enough on the screen for a drag of 2000 pixels up from the knobs.
    openAt(*host, 100, 2100);
  }
  void TearDown() override {
    host.reset();
    effect.reset();
  }
  // Sets a parameter as the host's automation does and lets the controls learn it.
  void hostSets(int32_t index, float normalised) {
    effect->setParameter(index, normalised);
    ASSERT_TRUE(host->idle());
  }
  // Hands queued input to the editor (a queued press gesture runs to its release here).
  void run() { ASSERT_TRUE(host->idle()); }

  std::unique_ptr<vsthost::HostedEffect> effect;
  std::unique_ptr<vsthost::EditorHost> host;
};

TEST_F(EditorInput, DragUpCoversTheRangeIn200PixelsAndWithShiftIn2000) {
  const float x = kOffsetKnob.centreX(), y = kOffsetKnob.centreY();
  struct Case {
    bool shift;
    int pixels, step;
  } cases[] = {{false, 200, 10}, {true, 2000, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shift ? "with Shift" : "coarse");
    hostSets(kOffsetParameter, 0.0f);
    effect->clearCallbacks();
    if (c.shift) driver.holdKey(Key::Shift);
    queueDrag(*host, x, y, c.pixels, c.step);
    if (c.shift) driver.releaseKey(Key::Shift);
    run();
    EXPECT_FLOAT_EQ(effect->getParameter(kOffsetParameter), 1.0f);
    // Every step of the drag moved the value by the same share of the range: the last one
    // reached the top, none before it.
    std::vector<float> values = automations(effect->callbacks(), kOffsetParameter);
    ASSERT_EQ(values.size(), static_cast<size_t>(c.pixels / c.step));
    for (size_t i = 0; i < values.size(); ++i)
      EXPECT_NEAR(values[i], static_cast<float>(i + 1) * c.step / c.pixels, 1e-4f) << "step " << i;
    EXPECT_TRUE(editsWellFormed(effect->callbacks(), kOffsetParameter));
  }
}

TEST_F(EditorInput, DraggedEditReachesTheHostAsBeginAutomateEnd) {
  effect->clearCallbacks();
  queueDrag(*host, kOffsetKnob.centreX(), kOffsetKnob.centreY(), 30, 10);
  run();
  auto sequence = edits(effect->callbacks(), kOffsetParameter);
  ASSERT_EQ(sequence.size(), 5u);
  EXPECT_EQ(sequence.front().opcode, audioMasterBeginEdit);
  for (size_t i = 1; i + 1 < sequence.size(); ++i) EXPECT_EQ(sequence[i].opcode, audioMasterAutomate);
  EXPECT_EQ(sequence.back().opcode, audioMasterEndEdit);
  // Nothing else was edited by the gesture.
  for (const auto& r : effect->callbacks()) {
    if (r.opcode == audioMasterBeginEdit || r.opcode == audioMasterAutomate) {
      EXPECT_EQ(r.index, kOffsetParameter);
    }
  }
}

TEST_F(EditorInput, ControlSnapsToWholeNumbersAndAltClickResets) {
  const float start = effect->getParameter(kOffsetParameter);
  const float x = kOffsetKnob.centreX(), y = kOffsetKnob.centreY();
  // 23 pixels move 0.115 of the range: 8.28 plain without Control.
  queueDrag(*host, x, y, 23, 23);
  run();
  float free = offsetPlain(effect->getParameter(kOffsetParameter));
  ASSERT_GT(std::fabs(free - std::round(free)), 0.1f) << "the case needs a fractional value";
  hostSets(kOffsetParameter, start);
  driver.holdKey(Key::Control);
  queueDrag(*host, x, y, 23, 23);
  driver.releaseKey(Key::Control);
  run();
  float snapped = offsetPlain(effect->getParameter(kOffsetParameter));
  EXPECT_NEAR(snapped, std::round(free), 1e-3f);

  // Alt-click: back to the value the parameter had on a fresh instance, inside an edit.
  effect->clearCallbacks();
  driver.holdKey(Key::Alt);
  click(*host, x, y);
  driver.releaseKey(Key::Alt);
  run();
  EXPECT_FLOAT_EQ(effect->getParameter(kOffsetParameter), start);
  EXPECT_TRUE(editsWellFormed(effect->callbacks(), kOffsetParameter));
}

TEST_F(EditorInput, ClickFlipsTheSteppedSwitchKnob) {
  const float before = effect->getParameter(kSwitchParameter);
  for (int i = 1; i <= 2; ++i) {
    effect->clearCallbacks();
    click(*host, kSwitchKnob.centreX(), kSwitchKnob.centreY());
    run();
    EXPECT_FLOAT_EQ(effect->getParameter(kSwitchParameter), i == 1 ? 1.0f - before : before);
    EXPECT_TRUE(editsWellFormed(effect->callbacks(), kSwitchParameter));
  }
}

TEST_F(EditorInput, ShiftChangedMidDragDoesNotMakeTheValueJump) {
  const float x = kOffsetKnob.centreX(), y = kOffsetKnob.centreY();
  hostSets(kOffsetParameter, 0.0f);
  effect->clearCallbacks();
  pointAt(*host, x, y);
  driver.pressButton();
  int moved = 0;
  auto up = [&](int steps) {
    for (int i = 0; i < steps; ++i) pointAt(*host, x, y + static_cast<float>(moved += 10));
  };
  up(4);
  driver.holdKey(Key::Shift);
  up(8);
  driver.releaseKey(Key::Shift);
  up(4);
  driver.releaseButton();
  run();
  std::vector<float> values = automations(effect->callbacks(), kOffsetParameter);
  ASSERT_EQ(values.size(), 16u);
  // Never more than one coarse step of 10 pixels between two automations, never down.
  for (size_t i = 1; i < values.size(); ++i) {
    EXPECT_GE(values[i], values[i - 1]) << "step " << i;
    EXPECT_LE(values[i] - values[i - 1], 0.05f + 1e-4f) << "step " << i;
  }
  // While Shift was held the fine rate applied: 10 pixels moved 0.005 at most.
  for (size_t i = 5; i < 12; ++i) EXPECT_LE(values[i] - values[i - 1], 0.005f + 1e-4f) << "step " << i;
  EXPECT_GT(values.back(), values[3]);
  EXPECT_TRUE(editsWellFormed(effect->callbacks(), kOffsetParameter));
}

TEST_F(EditorInput, TypedNumberAndEnterSetThePlainValue) {
  struct Case {
    const char* typed;
    float plain;
  } cases[] = {{"-1.5\n", -1.5f}, {"-1.-5.5\n", -1.55f}, {"12\n", 12.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    click(*host, kOffsetField.centreX(), kOffsetField.centreY());
    run();
    effect->clearCallbacks();
    driver.typeText(c.typed);
    run();
    EXPECT_NEAR(offsetPlain(effect->getParameter(kOffsetParameter)), c.plain, 1e-4f);
    EXPECT_TRUE(editsWellFormed(effect->callbacks(), kOffsetParameter));
  }
}

TEST_F(EditorInput, LossOfFocusDropsTheTypedText) {
  const float value = effect->getParameter(kOffsetParameter);
  uintptr_t child = editorWindow(*host);
  ASSERT_TRUE(driver.screenshot(child, picture));
  const std::vector<uint8_t> resting = region(picture, kOffsetField);
  // Focus goes by a press elsewhere, or by the window system giving it to another window.
  const std::function<void()> loseFocus[] = {
      [&] { click(*host, 370, 220); },
      [&] { driver.focus(0); },
  };
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i == 0 ? "press elsewhere" : "focus taken");
    click(*host, kOffsetField.centreX(), kOffsetField.centreY());
    run();
    driver.typeText("12");
    ASSERT_TRUE(idleUntil(*host, [&](const Image& image) { return region(image, kOffsetField) != resting; }));
    loseFocus[i]();
    ASSERT_TRUE(idleUntil(*host, [&](const Image& image) { return region(image, kOffsetField) == resting; }));
    // An Enter now commits nothing.
    driver.typeText("\n");
    run();
    EXPECT_FLOAT_EQ(effect->getParameter(kOffsetParameter), value);
  }
}

// Holds the press on a button while `pressed` is checked on a second connection, then
// releases it (away from the button). The editor's idle on the test's thread runs the
// gesture meanwhile.
void holdPressUntil(vsthost::EditorHost& host, const Box& button,
                    const std::function<bool(testsupport::XTestDriver&)>& pressed,
                    std::atomic<bool>& seen) {
  testsupport::XTestDriver helper;
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(kGuardSeconds);
  while (!(seen = pressed(helper)) && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  uintptr_t child = editorWindow(helper, host);
  helper.movePointer(child, static_cast<int>(button.x + button.width + 30), row(button.centreY()));
  helper.releaseButton();
}

TEST_F(EditorInput, PlainButtonFiresOnReleaseWhereverThePointerIs) {
  hostSets(kButtonParameter, 0.0f);
  const float resting = effect->getParameter(kSwitchParameter);
  effect->clearCallbacks();
  // A host change waits for the editor: the press delivers it to the switch knob before the
  // gesture's loop starts, so the knob's new picture tells that the press was handled.
  effect->setParameter(kSwitchParameter, 1.0f - resting);
  pointAt(*host, kPlainButton.centreX(), kPlainButton.centreY());
  driver.pressButton();
  float duringPress = -1.0f;
  size_t editsDuringPress = 99;
  std::atomic<bool> seen{false};
  std::thread helper(holdPressUntil, std::ref(*host), kPlainButton,
                     [&](testsupport::XTestDriver& looker) {
                       Image image;
                       uintptr_t child = editortest::editorWindow(looker, *host);
                       if (!looker.screenshot(child, image) || !knobShows(image, kSwitchKnob, resting == 0.0f))
                         return false;
                       duringPress = effect->getParameter(kButtonParameter);
                       editsDuringPress = edits(effect->callbacks(), kButtonParameter).size();
                       return true;
                     },
                     std::ref(seen));
  run();
  helper.join();
  ASSERT_TRUE(seen) << "the press never reached the editor";
  EXPECT_EQ(duringPress, 0.0f);
  EXPECT_EQ(editsDuringPress, 0u);
  EXPECT_FLOAT_EQ(effect->getParameter(kButtonParameter), 1.0f);
  EXPECT_EQ(automations(effect->callbacks(), kButtonParameter).size(), 1u);
}

TEST_F(EditorInput, ToggleButtonFiresOnPressOnly) {
  const float before = effect->getParameter(kToggleParameter);
  effect->clearCallbacks();
  pointAt(*host, kToggleButton.centreX(), kToggleButton.centreY());
  driver.pressButton();
  std::atomic<bool> seen{false};
  std::thread helper(holdPressUntil, std::ref(*host), kToggleButton,
                     [&](testsupport::XTestDriver&) { return effect->getParameter(kToggleParameter) != before; }, std::ref(seen));
  run();
  helper.join();
  ASSERT_TRUE(seen) << "the toggle did not fire while pressed";
  // The release did not fire it again.
  EXPECT_FLOAT_EQ(effect->getParameter(kToggleParameter), 1.0f - before);
  EXPECT_EQ(automations(effect->callbacks(), kToggleParameter).size(), 1u);
}

}  // namespace
