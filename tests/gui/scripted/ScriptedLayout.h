// The layout script of the scripted-layout test plug-in and the places tests probe (window
// pixels, origin bottom left).
#pragma once

namespace scriptedtest {

constexpr int kWidth = 320, kHeight = 200;
constexpr float kBackground[3] = {0.1f, 0.15f, 0.3f};
// The group's frame: the knob's 37 pixels at (40, 40) widened by the margin of 10.
constexpr int kFrameLeft = 30, kFrameBottom = 30, kFrameRight = 87;
constexpr int kButtonX = 240, kButtonY = 165;  // centre of the script button
constexpr int kDryLevel = 0;

constexpr const char* kLayout = R"(
function getWindowSize() return 320, 200 end
local fonts = { {name = "arial.ttf", size = 11}, {name = "DejaVuSans.ttf", size = 11} }
function getFont() return fonts end
function getLabelFont() return fonts end
function createUI()
  setBackgroundColour(0.1, 0.15, 0.3)
  setGroupInactiveColour(1, 1, 1, 1)
  local g = group("Mix")
  g:add(knob("Dry Level", "", 0, 0, 37))
  g:setPosition(40, 40)
  add(luaButton(function() setParameter("Dry Level", 1) end, "Set", "set dry", "m", 200, 150, 80, 30))
end
)";

}  // namespace scriptedtest
