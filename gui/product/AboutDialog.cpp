#include "gui/product/AboutDialog.h"

#include <cctype>
#include <limits>

#include "dsp/QuorvellaParameters.h"
#include "effect/HvcQuorvella.h"
#include "framework/CFString.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "gui/elements/EditorOptions.h"
#include "platform/DialogControls.h"
#include "platform/ModalDialog.h"
#include "platform/URLOpener.h"

namespace HC {

namespace {

// The most of the port field that is read on OK.
constexpr size_t kPortTextLimit = 255;
// The library's dialog resource with the same layout (resources/AboutDialog.rc), for systems
// that build dialogs from resources.
constexpr int kDialogResource = 102;

platform::DialogTemplate makeTemplate() {
  using K = platform::DialogControlKind;
  platform::DialogTemplate t;
  t.title = "About";
  t.width = 200;
  t.height = 193;
  t.fontName = "MS Sans Serif";
  t.pointSize = 8;
  t.initialFocus = AboutDialog::kPortField;
  t.resourceId = kDialogResource;
  t.controls = {
      {AboutDialog::kMaker, K::staticText, "Halvercast", 8, 10, 70, 10},
      {AboutDialog::kWebSite, K::pushButton, "Visit halvercast.example", 70, 8, 120, 12},
      {AboutDialog::kProduct, K::staticText, "product", 8, 22, 70, 10},
      {AboutDialog::kVersion, K::staticText, "xx.xx.xx", 8, 34, 70, 10},
      {AboutDialog::kPreferencesGroup, K::groupBox, "Preferences", 8, 110, 184, 62},
      {AboutDialog::kPortLabel, K::staticText, "OSC Base Port:", 12, 122, 70, 10},
      {AboutDialog::kPortField, K::numberEdit, "", 87, 122, 50, 12},
      {AboutDialog::kEyeCandy, K::checkBox, "Eye candy", 12, 137, 176, 10},
      {AboutDialog::kConstantRedraw, K::checkBox, "Constant redraw", 12, 147, 176, 10},
      {AboutDialog::kFloatingTooltip, K::checkBox, "Floating tooltip", 12, 157, 176, 10},
      {AboutDialog::kOK, K::defaultPushButton, "OK", 80, 177, 40, 12},
  };
  return t;
}

// Inverts a flag, keeps the new value as its preference and shows it in the check box.
void toggle(platform::DialogControls& controls, int id, const char* preference, bool (*get)(),
            void (*set)(bool)) {
  bool on = !get();
  set(on);
  Settings::writeNumber(CFString::constant(preference), on ? 1 : 0);
  controls.setChecked(id, on);
}

}  // namespace

AboutDialog::AboutDialog(HvcQuorvella* effect, URLOpener openURL)
    : effect_(effect), openURL_(openURL ? std::move(openURL) : URLOpener(platform::openURL)) {}

int AboutDialog::run(HvcQuorvella* effect, uintptr_t ownerTopLevelWindow) {
  AboutDialog dialog(effect);
  return dialog.show(ownerTopLevelWindow);
}

int AboutDialog::show(uintptr_t ownerTopLevelWindow) {
  return platform::runModalDialog(dialogTemplate(), ownerTopLevelWindow, *this);
}

const platform::DialogTemplate& AboutDialog::dialogTemplate() {
  static const platform::DialogTemplate t = makeTemplate();
  return t;
}

std::string AboutDialog::versionText(int32_t version) {
  uint32_t v = static_cast<uint32_t>(version);
  return std::to_string(v >> 16) + "." + std::to_string((v >> 8) & 0xff) + "." +
         std::to_string(v & 0xff);
}

int32_t AboutDialog::parseNumber(const std::string& text) {
  std::string s = text.substr(0, kPortTextLimit);
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int64_t value = 0;
  bool any = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    any = true;
    value = value * 10 + (s[i] - '0');
    // A number too long for 32 bits is no port at all rather than a wrapped one.
    if (value > std::numeric_limits<int32_t>::max()) return 0;
  }
  if (!any) return 0;
  return static_cast<int32_t>(negative ? -value : value);
}

void AboutDialog::initialise(platform::DialogControls& controls) {
  controls.setText(kProduct, "Quorvella");
  controls.setText(kVersion, versionText(HvcQuorvella::kVersion));
  controls.setChecked(kFloatingTooltip, EditorOptions::floatingTooltip());
  controls.setChecked(kEyeCandy, EditorOptions::eyeCandy());
  controls.setChecked(kConstantRedraw, EditorOptions::constantRedraw());
  controls.setText(kPortField, std::to_string(HvcQuorvella::getOSCBasePort()));
}

void AboutDialog::command(platform::DialogControls& controls, int id) {
  switch (id) {
    case kFloatingTooltip:
      toggle(controls, id, kPreferenceFloatingTooltip, EditorOptions::floatingTooltip,
             EditorOptions::setFloatingTooltip);
      break;
    case kEyeCandy:
      toggle(controls, id, kPreferenceEyeCandy, EditorOptions::eyeCandy,
             EditorOptions::setEyeCandy);
      break;
    case kConstantRedraw:
      toggle(controls, id, kPreferenceConstantRedraw, EditorOptions::constantRedraw,
             EditorOptions::setConstantRedraw);
      break;
    case kWebSite:
      openURL_(kWebAddress);
      break;
    case kOK:
      applyPort(controls);
      controls.end(kOK);
      break;
    case kCancel:
      controls.end(kCancel);
      break;
    default:
      break;
  }
}

void AboutDialog::applyPort(const platform::DialogControls& controls) {
  int32_t port = parseNumber(controls.text(kPortField));
  if (port <= 0) return;
  Settings::writeNumber(CFString::constant(kPreferenceOSCBasePort), port);
  HvcQuorvella::setOSCBasePort(port);
  // Setting the offset to its own value makes the server listen on the new base.
  if (effect_ != nullptr) effect_->setParameter(kOscPortOffset, effect_->getParameter(kOscPortOffset));
}

}  // namespace HC
