// Knob drag rules, text-field entry, buttons, and the host edit calls that gestures make.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "gui/elements/Group.h"
#include "gui/elements/Knob.h"
#include "gui/elements/Modifiers.h"
#include "gui/elements/StatefulButton.h"
#include "gui/elements/TextField.h"
#include "gui/elements/TextFit.h"

namespace {

using namespace guitest;
using HC::GestureEvent;

struct Controls : ::testing::Test, Rig {
  // A knob at (100, 100)-(140, 140) in the root group.
  HC::Knob* knob(int32_t index) {
    auto* k = new HC::Knob(index, &manager, 100, 100, 40);
    manager.getRoot()->add(k);
    manager.refreshControls();
    return k;
  }
  // Presses at (120, y0), then runs the queued events.
  void press(int y0, int modifiers = 0) { manager.pointerPressed(120, y0, modifiers); }
};

TEST_F(Controls, KnobDragCoversTheRangeIn200PixelsAnd2000WithShift) {
  knob(kOffset);
  fx.setPlainValue(kOffset, -24.0f);
  manager.refreshControls();
  then(GestureEvent::Move, 125, 300);  // x is ignored
  then(GestureEvent::Up, 125, 300);
  press(100);
  EXPECT_FLOAT_EQ(fx.getPlainValue(kOffset), 24.0f);

  fx.setPlainValue(kOffset, -24.0f);
  manager.refreshControls();
  window.events.clear();
  window.next = 0;
  then(GestureEvent::Move, 120, 300, HC::ModifierShift);
  then(GestureEvent::Up, 120, 300, HC::ModifierShift);
  press(100, HC::ModifierShift);
  EXPECT_NEAR(fx.getPlainValue(kOffset), -24.0f + 0.1f * 48.0f, 1e-4);
}

TEST_F(Controls, KnobClampsAndControlSnapsToWholeSteps) {
  HC::Knob* k = knob(kOffset);
  fx.setPlainValue(kOffset, 0.0f);
  manager.refreshControls();
  then(GestureEvent::Move, 120, 103, HC::ModifierControl);  // 0.515 -> 0.72 -> snaps to 1
  then(GestureEvent::Move, 120, 900, HC::ModifierControl);  // far past the top
  then(GestureEvent::Up, 120, 900, HC::ModifierControl);
  std::vector<float> seen;
  window.step = [&](size_t i) {
    if (i > 0) seen.push_back(fx.getPlainValue(kOffset));
  };
  press(100, HC::ModifierControl);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NEAR(seen[0], 1.0f, 1e-5);
  EXPECT_FLOAT_EQ(seen[1], 24.0f);
  EXPECT_FLOAT_EQ(k->getNormalised(), 1.0f);
}

TEST_F(Controls, ModifierChangeMidDragRestartsWithoutAJump) {
  knob(kOffset);
  fx.setPlainValue(kOffset, 0.0f);  // normalised 0.5
  manager.refreshControls();
  then(GestureEvent::Move, 120, 150);                     // +50 coarse: 0.75
  then(GestureEvent::Move, 120, 150, HC::ModifierShift);  // Shift pressed here
  then(GestureEvent::Move, 120, 250, HC::ModifierShift);  // +100 fine: 0.80
  then(GestureEvent::Up, 120, 250, HC::ModifierShift);
  std::vector<float> seen;
  window.step = [&](size_t i) {
    if (i > 0) seen.push_back(fx.getPlainValue(kOffset));
  };
  press(100);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_NEAR(seen[0], 0.25f * 48.0f, 1e-4);
  EXPECT_NEAR(seen[1], seen[0], 1e-4);
  EXPECT_NEAR(seen[2], 0.30f * 48.0f, 1e-3);
  // The restart closes and reopens the edit: every automate sits inside a begin/end pair.
  int open = 0;
  for (const HostCall& c : hostCalls()) {
    if (c.kind == RecordingHost::kBeginEdit) ++open;
    if (c.kind == RecordingHost::kEndEdit) --open;
    if (c.kind == RecordingHost::kAutomate) {
      EXPECT_EQ(open, 1);
    }
    EXPECT_TRUE(open == 0 || open == 1);
  }
  EXPECT_EQ(open, 0);
}

TEST_F(Controls, DragTellsTheHostBeginAutomateEndForTheDraggedIndexThenUpdatesDisplay) {
  knob(kCutoff);
  then(GestureEvent::Move, 120, 120);
  then(GestureEvent::Up, 120, 120);
  press(100);
  ASSERT_GE(hostCalls().size(), 4u);
  EXPECT_EQ(hostCalls().front().kind, RecordingHost::kBeginEdit);
  EXPECT_EQ(hostCalls()[1].kind, RecordingHost::kAutomate);
  EXPECT_FLOAT_EQ(hostCalls()[1].value, fx.getParameter(kCutoff));
  EXPECT_EQ(hostCalls()[hostCalls().size() - 2].kind, RecordingHost::kEndEdit);
  EXPECT_EQ(hostCalls().back().kind, RecordingHost::kUpdateDisplay);
  for (const HostCall& c : hostCalls())
    if (c.kind != RecordingHost::kUpdateDisplay) {
      EXPECT_EQ(c.index, kCutoff);
    }
  EXPECT_EQ(manager.draggedIndex(), -1);
  EXPECT_EQ(window.captures, 1);
  EXPECT_EQ(window.releases, 1);
}

TEST_F(Controls, AltClickResetsAndAStepped01KnobFlipsInsideTheEdit) {
  knob(kOffset);
  fx.setPlainValue(kOffset, -10.0f);
  then(GestureEvent::Up, 120, 120);
  press(120, HC::ModifierAlt);
  EXPECT_EQ(fx.getPlainValue(kOffset), 6.0f);
  EXPECT_EQ(calls(), (std::vector<RecordingHost::Kind>{RecordingHost::kBeginEdit, RecordingHost::kAutomate,
                                                      RecordingHost::kEndEdit,
                                                      RecordingHost::kUpdateDisplay}));

  HC::Knob* flip = new HC::Knob(kSwitch, &manager, 200, 100, 40);
  manager.getRoot()->add(flip);
  for (float expected : {1.0f, 0.0f}) {
    window.events = {{GestureEvent::Up, 220, 180, 0}};
    window.next = 0;
    manager.pointerPressed(220, 120, 0);
    EXPECT_EQ(fx.getPlainValue(kSwitch), expected);
    EXPECT_EQ(flip->getNormalised(), expected);
  }
}

TEST_F(Controls, ControlOfAMissingParameterIsInert) {
  HC::Knob* k = knob(57);
  then(GestureEvent::Move, 120, 300);
  then(GestureEvent::Up, 120, 300);
  press(100, HC::ModifierAlt);
  manager.pointerMoved(120, 120);
  EXPECT_EQ(manager.hoveredIndex(), -1);
  EXPECT_EQ(k->getNormalised(), 0.0f);
  EXPECT_EQ(calls(), std::vector<RecordingHost::Kind>{RecordingHost::kUpdateDisplay});
}

struct Fields : Controls {
  HC::TextField* field(const std::string& format = "") {
    auto* f = new HC::TextField(kOffset, &manager, format, 10, 10, 37, 12);
    manager.getRoot()->add(f);
    return f;
  }
  void type(const char* text) {
    for (; *text; ++text) manager.character(static_cast<uint8_t>(*text));
  }
};

TEST(TextFit, DecimalsGoFirstRoundedAndTheLeadingDigitsStay) {
  using HC::TextFit;
  EXPECT_EQ(TextFit::dropDecimal("1000.0"), "1000");
  EXPECT_EQ(TextFit::dropDecimal("12.34"), "12.3");
  EXPECT_EQ(TextFit::dropDecimal("12.35"), "12.4");
  EXPECT_EQ(TextFit::dropDecimal("999.96"), "1000.0");
  EXPECT_EQ(TextFit::dropDecimal("-9.96"), "-10.0");
  EXPECT_EQ(TextFit::dropDecimal("9.5"), "10");
  EXPECT_EQ(TextFit::dropDecimal("-0.5 dB"), "-1 dB");
  EXPECT_EQ(TextFit::dropDecimal("0.04 Hz"), "0.0 Hz");
  // Nothing to drop, or not a plain decimal.
  for (const char* kept : {"1000", "", ".5", "1.5e+03", "Off", "-inf"})
    EXPECT_EQ(TextFit::dropDecimal(kept), kept) << kept;

  // Six pixels a character, as a fixed-width font measures.
  auto measure = [](const std::string& t) { return 6.0f * static_cast<float>(t.size()); };
  EXPECT_EQ(TextFit::fit("999.96", 35.0f, measure), "1000");  // the field's own case
  EXPECT_EQ(TextFit::fit("999.96", 36.0f, measure), "999.96");
  EXPECT_EQ(TextFit::fit("123.456", 30.0f, measure), "123.5");
  EXPECT_EQ(TextFit::fit("123456.7", 30.0f, measure), "123457") << "too wide even whole";
  EXPECT_EQ(TextFit::fit("12345", 1.0f, measure), "12345");
}

TEST_F(Fields, WithoutAFontTheValueTextStaysWhole) {
  HC::TextField* f = field();  // 37 pixels wide: 35 for the text
  // Without a font nothing is measured: the text stays as the value gives it.
  EXPECT_EQ(f->fittedText("1000.0"), "1000.0");
}

TEST_F(Fields, TypedNumberIsCommittedAsThePlainValueWithOneEdit) {
  HC::TextField* f = field();
  manager.pointerPressed(20, 15, 0);
  EXPECT_EQ(window.focusRequests, 1);
  EXPECT_EQ(manager.focusedField(), f);
  testHost().clear();
  type("-1-.5.");  // the second minus and the second point are ignored
  EXPECT_EQ(f->typedText(), "-1.5");
  type("\r");
  EXPECT_EQ(fx.getPlainValue(kOffset), -1.5f);
  EXPECT_FALSE(f->isEditing());
  EXPECT_EQ(calls(), (std::vector<RecordingHost::Kind>{RecordingHost::kBeginEdit,
                                                      RecordingHost::kAutomate,
                                                      RecordingHost::kEndEdit}));
  EXPECT_EQ(manager.focusedField(), f);  // focus stays after a commit
}

TEST_F(Fields, EntryRules) {
  HC::TextField* f = field();
  manager.pointerPressed(20, 15, 0);
  EXPECT_FALSE(f->character('x'));
  EXPECT_FALSE(f->isEditing());
  type("1234567890123456");  // the 16th character has no room
  EXPECT_EQ(f->typedText(), "123456789012345");
  type("\b\b");
  EXPECT_EQ(f->typedText(), "1234567890123");
  // Backspace to nothing keeps editing; Enter on an empty or bare "-" changes nothing.
  for (int i = 0; i < 13; ++i) type("\b");
  EXPECT_TRUE(f->isEditing());
  type("-\r");
  EXPECT_TRUE(f->isEditing());
  EXPECT_EQ(fx.getPlainValue(kOffset), 6.0f);
  // Control-C commits like Enter.
  type("7");
  manager.character(3);
  EXPECT_EQ(fx.getPlainValue(kOffset), -7.0f);  // "-7": the minus was kept
}

TEST_F(Fields, LossOfFocusOrAPressElsewhereDropsTheTypedText) {
  HC::TextField* f = field();
  knob(kCutoff);
  manager.pointerPressed(20, 15, 0);
  type("12");
  manager.keyboardFocusLost();
  EXPECT_EQ(manager.focusedField(), nullptr);
  EXPECT_FALSE(f->isEditing());
  manager.character('\r');
  EXPECT_EQ(fx.getPlainValue(kOffset), 6.0f);

  manager.pointerPressed(20, 15, 0);
  type("3");
  manager.pointerPressed(120, 120, 0);  // on the knob
  EXPECT_FALSE(f->isEditing());
  EXPECT_EQ(manager.focusedField(), nullptr);
  // Typing a fresh number starts from an empty text.
  manager.pointerPressed(20, 15, 0);
  type("4\r");
  EXPECT_EQ(fx.getPlainValue(kOffset), 4.0f);
}

TEST_F(Fields, FormatsWithOtherConversionsFallBackToTheDisplayText) {
  EXPECT_TRUE(HC::TextField::isUsableFormat("%.1f dB"));
  EXPECT_TRUE(HC::TextField::isUsableFormat("100%% %5.2lf"));
  for (const char* bad : {"%s", "%n%f", "%f %f", "%*f", "%Lf", "no conversion", "%", "%d"})
    EXPECT_FALSE(HC::TextField::isUsableFormat(bad)) << bad;
  fx.setPlainValue(kOffset, 2.5f);
  EXPECT_EQ(field("%.1f dB")->valueText(2.5f), "2.5 dB");
  EXPECT_EQ(field("%s")->valueText(2.5f), "2.500");
  // The shown text never exceeds the field's 15 characters.
  EXPECT_EQ(field("%.14f")->valueText(2.5f).size(), 15u);
}

struct Buttons : Controls {
  int fired = 0;
  static void count(HC::Button* b, intptr_t data) {
    ++*reinterpret_cast<int*>(data);
    (void)b;
  }
  template <class B>
  B* button(B* b) {
    manager.getRoot()->add(b);
    return b;
  }
};

TEST_F(Buttons, PlainButtonsFireOnReleaseStatefulOnesOnPress) {
  auto* plain = button(
      new HC::Button("Go", &manager, count, reinterpret_cast<intptr_t>(&fired), 0, 0, 50, 20, -2));
  std::vector<int> firedAtStep;
  window.step = [&](size_t) { firedAtStep.push_back(fired); };
  then(GestureEvent::Move, 10, 10);
  then(GestureEvent::Up, 10, 10);
  manager.pointerPressed(10, 10, 0);
  EXPECT_EQ(firedAtStep, (std::vector<int>{0, 0}));
  EXPECT_EQ(fired, 1);
  (void)plain;

  auto* toggle = button(new HC::StatefulButton(
      "T", &manager, count, reinterpret_cast<intptr_t>(&fired), 100, 0, 50, 20, -3, true));
  auto* momentary = button(new HC::StatefulButton(
      "M", &manager, count, reinterpret_cast<intptr_t>(&fired), 200, 0, 50, 20, -4, false));
  EXPECT_FALSE(toggle->getState());
  EXPECT_TRUE(momentary->getState());
  std::vector<bool> momentaryDuring;
  firedAtStep.clear();
  window.step = [&](size_t) {
    firedAtStep.push_back(fired);
    momentaryDuring.push_back(momentary->getState());
  };
  window.events = {{GestureEvent::Up, 110, 290, 0}};
  window.next = 0;
  manager.pointerPressed(110, 10, 0);
  EXPECT_TRUE(toggle->getState());
  window.next = 0;
  window.events = {{GestureEvent::Up, 210, 290, 0}};
  manager.pointerPressed(210, 10, 0);
  EXPECT_EQ(firedAtStep, (std::vector<int>{2, 3}));  // fired before the release arrived
  EXPECT_EQ(fired, 3);
  EXPECT_FALSE(momentaryDuring.back());
  EXPECT_TRUE(momentary->getState());
}

}  // namespace
