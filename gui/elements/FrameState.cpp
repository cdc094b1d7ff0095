#include "gui/elements/FrameState.h"

#include <cmath>
#include <cstring>

#include "framework/HvcAuBase.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Manager.h"

namespace HC {

namespace {

constexpr float kSamePosition = 0.001f;  // pixels
constexpr float kSameAlpha = 0.0001f;

bool near(float a, float b, float tolerance) { return std::fabs(a - b) <= tolerance; }

}  // namespace

void FrameState::capture(const Manager& m) {
  captured = true;
  changes = m.changeCount();
  std::memcpy(meters, m.meterValues, sizeof meters);
  values.clear();
  if (const HvcAuBase* effect = m.getEffect())
    for (int32_t i = 0; i < effect->getNumParameters(); ++i)
      values.push_back(effect->getPlainValue(i));
  lightX = m.lightX;
  lightY = m.lightY;
  tooltipAlpha = m.tooltipAlpha;
  tooltipX = m.tooltipX;
  tooltipY = m.tooltipY;
  eyeCandy = EditorOptions::eyeCandy();
  floatingTooltip = EditorOptions::floatingTooltip();
  const Manager::Banner& banner = m.banner();
  bannerIndex = banner.shown ? banner.index : -1;
  // assign() keeps the strings' storage: no allocation once they have grown.
  bannerName.assign(banner.name);
  bannerDisplay.assign(banner.display);
  bannerLabel.assign(banner.label);
  bannerButton.assign(banner.buttonText);
  tooltipText.assign(tooltipAlpha > 0.0f ? m.tooltipText : "");
}

bool FrameState::sameAs(const FrameState& o) const {
  return sameApartFromMeters(o) && std::memcmp(meters, o.meters, sizeof meters) == 0;
}

bool FrameState::sameApartFromMeters(const FrameState& o) const {
  // Values compare by their bits: a value that stays NaN is no change.
  return captured && o.captured && changes == o.changes && values.size() == o.values.size() &&
         (values.empty() ||
          std::memcmp(values.data(), o.values.data(), values.size() * sizeof(float)) == 0) &&
         near(lightX, o.lightX, kSamePosition) && near(lightY, o.lightY, kSamePosition) &&
         near(tooltipAlpha, o.tooltipAlpha, kSameAlpha) &&
         near(tooltipX, o.tooltipX, kSamePosition) && near(tooltipY, o.tooltipY, kSamePosition) &&
         eyeCandy == o.eyeCandy && floatingTooltip == o.floatingTooltip &&
         bannerIndex == o.bannerIndex && bannerName == o.bannerName &&
         bannerDisplay == o.bannerDisplay && bannerLabel == o.bannerLabel &&
         bannerButton == o.bannerButton && tooltipText == o.tooltipText;
}

}  // namespace HC
