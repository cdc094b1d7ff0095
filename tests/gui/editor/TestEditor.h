// The layout of the editor tests, built in C++: a 400 x 240 window with two titled groups
// (a bipolar knob with its text field and a switch knob; a stepped knob), three buttons of
// the three kinds, the banner line and the version label. Every control is bound to a
// parameter of the effect, so tests see the results through the host's getParameter.
//
// Places (window pixels, origin bottom left) are public, for tests that point at them.
#pragma once

#include "gui/editor/Editor.h"

namespace editortest {

constexpr int kWidth = 400, kHeight = 240;

// Parameters the layout binds (indices of the product's table).
constexpr int kOffsetParameter = 5;    // "Pitch Offset", -36..36, linear
constexpr int kSwitchParameter = 9;    // "Use Filtered For Dry", boolean 0..1
constexpr int kSteppedParameter = 11;  // "Sync Cycles", indexed 0..8
constexpr int kButtonParameter = 0;    // "Dry Level": the plain button sets it to 1
constexpr int kToggleParameter = 10;   // "Use Filtered For Wet": follows the toggle

struct Box {
  float x, y, width, height;
  float centreX() const { return x + width / 2; }
  float centreY() const { return y + height / 2; }
};

constexpr Box kOffsetKnob{40, 90, 60, 60};
constexpr Box kOffsetField{40, 60, 60, 18};
constexpr Box kSwitchKnob{130, 100, 40, 40};
constexpr Box kSteppedKnob{250, 90, 60, 60};
constexpr Box kPlainButton{30, 190, 80, 20};
constexpr Box kToggleButton{130, 190, 80, 20};
constexpr Box kLumoButton{230, 190, 80, 20};
constexpr Box kCaption{250, 40, 120, 30};  // text and a frame in the labels layer
constexpr float kBannerY = 8;

// Set (to anything) in the environment, the editor draws its labels layer through the
// off-screen fallback instead of a framebuffer object, from its next opening on.
constexpr const char* kFallbackVariable = "QUORVELLA_TEST_EDITOR_LABELS_FALLBACK";
constexpr float kBackground[3] = {0.1f, 0.15f, 0.3f};

class TestEditor : public HC::Editor {
public:
  explicit TestEditor(HvcAuBase* effect);
  void buildInterface(float, float) override;
};

}  // namespace editortest
