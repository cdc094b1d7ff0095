#include "gui/elements/EditorOptions.h"

#include <atomic>

#include "framework/CFString.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"

namespace HC {

namespace {

std::atomic<bool> eyeCandyFlag{kDefaultEyeCandy != 0};
std::atomic<bool> constantRedrawFlag{kDefaultConstantRedraw != 0};
std::atomic<bool> floatingTooltipFlag{kDefaultFloatingTooltip != 0};

bool readFlag(const char* name, int32_t defaultValue) {
  return Settings::readNumber(CFString::constant(name), defaultValue) != 0;
}

}  // namespace

AtomicColour& EditorOptions::active() {
  static AtomicColour colour({0.5f, 0.8f, 1.0f, 0.6f});
  return colour;
}

AtomicColour& EditorOptions::inactive() {
  static AtomicColour colour({0.5f, 0.5f, 0.5f, 0.5f});
  return colour;
}

void EditorOptions::readPreferences() {
  eyeCandyFlag.store(readFlag(kPreferenceEyeCandy, kDefaultEyeCandy));
  constantRedrawFlag.store(readFlag(kPreferenceConstantRedraw, kDefaultConstantRedraw));
  floatingTooltipFlag.store(readFlag(kPreferenceFloatingTooltip, kDefaultFloatingTooltip));
}

bool EditorOptions::eyeCandy() {
  return eyeCandyFlag.load();
}
bool EditorOptions::constantRedraw() {
  return constantRedrawFlag.load();
}
bool EditorOptions::floatingTooltip() {
  return floatingTooltipFlag.load();
}
void EditorOptions::setFloatingTooltip(bool on) {
  floatingTooltipFlag.store(on);
}
void EditorOptions::setEyeCandy(bool on) {
  eyeCandyFlag.store(on);
}
void EditorOptions::setConstantRedraw(bool on) {
  constantRedrawFlag.store(on);
}

}  // namespace HC
