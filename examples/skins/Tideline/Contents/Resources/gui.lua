-- Tideline: an example Quorvella skin. A taller window in dark teal: the pitch display,
-- buttons and meters across the top, the controls in three columns below.
--
-- Install by copying the folder "Tideline" into ~/.local/share/Halvercast/Quorvella/Skins/
-- and choosing it with the line  Skin=sz:Tideline  in
-- ~/.config/Halvercast/com.halvercastlabs.Quorvella.conf (see docs/skins.md).
-- The images next to this file are drawn by examples/skins/make_tideline_images.py.

local kWidth, kHeight = 700, 470
local kKnobSize = 30
local kKnobSpacing = 40
local kFieldHeight = 12
local kPadding = 10
local kTopStrip = 120     -- height of the strip under the banner
local kMeterWidth, kMeterHeight = 8, 96

function getWindowSize()
  return kWidth, kHeight
end

-- Each list is tried in order; the first font that loads is used.
function getFont()
  return { {name = "tahoma.ttf", size = 12}, {name = "arial.ttf", size = 12} }
end

function getLabelFont()
  return { {name = "arial.ttf", size = 10} }
end

function getTextFieldFont()
  return { {name = "arial.ttf", size = 10} }
end

-- Three columns of groups, each group as its title and its members {parameter, label}.
local kColumns = {
  {
    {"Oscillator", {{"Triangle", "Tri"}, {"Saw", "Saw"}, {"Square", "Sq"}, {"Pulse Width", "PW"}}},
    {"Pitch", {{"Pitch Offset", "Offset"}, {"Pitch Offset Sweepable", "Sweep"},
               {"Sync Cycles", "Sync"}, {"Osc Pitch", "Osc"}}},
    {"Pitch LFO", {{"Pitch LFO Shape", "Shape"}, {"Pitch LFO Speed", "Speed"},
                   {"Pitch LFO Amount", "Amt"}, {"Pitch LFO Amount Fine", "Fine"}}},
    {"OSC", {{"OSC Port Offset", "Port"}}},
  },
  {
    {"Mix", {{"Dry Level", "Dry"}, {"Wet Level", "Wet"}, {"Osc Level", "Osc"},
             {"Dry Ring Mod Level", "DryRM"}, {"Wet Ring Mod Level", "WetRM"}}},
    {"Envelope", {{"Env Pre Gain", "Gain"}, {"Env Attack", "Att"}, {"Env Release", "Rel"},
                  {"Env Gate", "Gate"}}},
    {"Env Mod", {{"Osc Env Follow", "Osc"}, {"Trigger Level", "Trig"},
                 {"Pitch Env Depth", "Pitch"}, {"Filter Env Depth", "Filt"},
                 {"PWM Env Depth", "PWM"}}},
  },
  {
    {"Input Filter", {{"Highpass Cutoff", "HP"}, {"Lowpass Cutoff", "LP"},
                      {"Use Filtered For Dry", "Dry"}, {"Use Filtered For Wet", "Wet"}}},
    {"Filter", {{"Filter Cutoff", "Cutoff"}, {"Filter Q", "Q"}, {"Filter Type", "Type"}}},
    {"Filter LFO", {{"Filter LFO Shape", "Shape"}, {"Filter LFO Speed", "Speed"},
                    {"Filter LFO Amount", "Amt"}}},
    {"PWM LFO", {{"PWM LFO Shape", "Shape"}, {"PWM LFO Speed", "Speed"},
                 {"PWM LFO Amount", "Amt"}}},
  },
}

-- A titled group with each member's knob above its value field.
local function makeGroup(title, members)
  local g = group(title)
  for i, member in ipairs(members) do
    local x = kKnobSpacing * (i - 1)
    g:add(knob(member[1], "", x, kFieldHeight + 2, kKnobSize))
    g:add(textField(member[1], member[2], x - 2, 0, kKnobSize + 4, kFieldHeight))
  end
  return g
end

-- Moves a group so that its frame's top-left corner is at (left, top).
local function placeTopLeft(g, left, top)
  g:setPosition(0, 0)
  local minX, _, _, maxY = g:bounds()
  g:setPosition(left - minX, top - maxY)
end

function createUI()
  local atlas = texture("atlas.png")
  setBackgroundTexture(texture("tile.png"), texture("tile_n.png"))
  theKnobRenderer = knobRenderer(atlas, texture("atlas_n.png"), 0, 0, 64)
  setBackgroundColour(0.05, 0.22, 0.25)
  setBannerPosition(kHeight - 22)
  setGroupActiveColour(0.6, 0.95, 0.9, 0.9)
  setGroupInactiveColour(0.3, 0.55, 0.55, 0.6)

  -- The columns, each filled from the top down.
  local columnTop = kHeight - kTopStrip - kPadding
  local left = 20
  for _, column in ipairs(kColumns) do
    local top, widest = columnTop, 0
    for _, entry in ipairs(column) do
      local g = makeGroup(entry[1], entry[2])
      placeTopLeft(g, left, top)
      top = top - g:height() - kPadding
      if g:width() > widest then widest = g:width() end
    end
    left = left + widest + kPadding * 2
  end

  -- The top strip: the pitch display and two buttons on the left, the meters on the right.
  local stripBottom = kHeight - kTopStrip
  add(infoDisplay(20, stripBottom + 50, 160, 40))
  add(button("Prefs", "Preferences", 20, stripBottom + 10, 100, 28))
  -- A button of the skin's own: puts the pitch offset back to no transposition.
  add(luaButton(function() setParameter("Pitch Offset", 0) end,
                "Zero pitch", "Pitch Offset to 0", "momentary", 130, stripBottom + 10, 100, 28))

  local meters = levelMeters(atlas, 120, 16, kMeterWidth, kMeterHeight)
  local meterX = kWidth - 20 - 4 * (kMeterWidth + 4)
  meters:add("peak", 0, meterX, stripBottom)
  meters:add("peak", 1, meterX + kMeterWidth + 4, stripBottom)
  meters:add("envelope", 0, meterX + 2 * (kMeterWidth + 4), stripBottom)
  meters:add("envelope", 1, meterX + 3 * (kMeterWidth + 4), stripBottom)
end
