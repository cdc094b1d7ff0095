-- Quorvella's built-in editor layout. A skin's own gui.lua replaces this file; it is also a
-- complete example of the functions a layout can use (see docs/skins.md).

local kWidth, kHeight = 818, 318
local kKnobSize = 37
local kKnobSpacing = 48
local kFieldHeight = 12
local kMeterWidth = 5
local kMeterHeight = 81
local kInfoWidth = 115
local kPadding = 10

function getWindowSize()
  return kWidth, kHeight
end

function getFont()
  return { {name = "arial.ttf", size = 12} }
end

function getLabelFont()
  return { {name = "tahoma.ttf", size = 11}, {name = "arial.ttf", size = 9} }
end

function getTextFieldFont()
  return { {name = "tahoma.ttf", size = 12}, {name = "arial.ttf", size = 10} }
end

-- Each group: its title and its members as {parameter, label}.
local kGroups = {
  {"Mix", {{"Dry Level", "Dry"}, {"Wet Level", "Wet"}, {"Osc Level", "Osc"},
           {"Dry Ring Mod Level", "Dry RM"}, {"Wet Ring Mod Level", "Wet RM"}}},
  {"Pitch", {{"Pitch Offset", "Pitch"}, {"Pitch Offset Sweepable", "Sweep"},
             {"Sync Cycles", "Sync"}, {"Osc Pitch", "Osc"}}},
  {"Envelope", {{"Env Pre Gain", "Gain"}, {"Env Attack", "Attack"}, {"Env Release", "Release"},
                {"Env Gate", "Gate"}}},
  {"Env Mod", {{"Osc Env Follow", "Osc Env"}, {"Trigger Level", "Trigger"},
               {"Pitch Env Depth", "Pitch"}, {"Filter Env Depth", "Filter"},
               {"PWM Env Depth", "PWM"}}},
  {"Input Filter", {{"Highpass Cutoff", "Highpass"}, {"Lowpass Cutoff", "Lowpass"},
                    {"Use Filtered For Dry", "Filt Dry"}, {"Use Filtered For Wet", "Filt Wet"}}},
  {"Filter", {{"Filter Cutoff", "Cutoff"}, {"Filter Q", "Q"}, {"Filter Type", "Type"}}},
  {"Pitch LFO", {{"Pitch LFO Shape", "Shape"}, {"Pitch LFO Speed", "Speed"},
                 {"Pitch LFO Amount", "Amount"}, {"Pitch LFO Amount Fine", "Fine"}}},
  {"Filter LFO", {{"Filter LFO Shape", "Shape"}, {"Filter LFO Speed", "Speed"},
                  {"Filter LFO Amount", "Amount"}}},
  {"PWM LFO", {{"PWM LFO Shape", "Shape"}, {"PWM LFO Speed", "Speed"},
               {"PWM LFO Amount", "Amount"}}},
  {"Oscillator", {{"Triangle", "Tri"}, {"Saw", "Saw"}, {"Square", "Square"},
                  {"Pulse Width", "PWM"}}},
  {"OSC", {{"OSC Port Offset", "Port"}}},
}

-- A titled group of field-and-knob pairs, one pair every kKnobSpacing pixels.
local function makeGroup(title, members)
  local g = group(title)
  for i, member in ipairs(members) do
    local x = kKnobSpacing * (i - 1)
    g:add(textField(member[1], member[2], x, 0, kKnobSize, kFieldHeight))
    g:add(knob(member[1], "", x, kFieldHeight + 1, kKnobSize))
  end
  return g
end

function createUI()
  local atlas = texture("buttons.png")
  local atlasNormals = texture("buttons_n.png")
  local background = texture("bgtile.png")
  local backgroundNormals = texture("bgtile_n.png")
  setBackgroundTexture(background, backgroundNormals)
  theKnobRenderer = knobRenderer(atlas, atlasNormals, 1, 1, kKnobSize)
  setBackgroundColour(0.22, 0.05, 0.2)
  setBannerPosition(kHeight - 30)
  setGroupActiveColour(0.8, 0.75, 0.7, 0.8)
  setGroupInactiveColour(0.5, 0.5, 0.7, 0.5)

  local groups = {}
  for _, entry in ipairs(kGroups) do
    groups[entry[1]] = makeGroup(entry[1], entry[2])
  end

  local x, y
  local function place(title)
    local g = groups[title]
    g:setPosition(x, y)
    x = x + g:width() + kPadding
  end

  -- Row 1: the oscillator and pitch, the information column, the mix.
  x, y = 20, 30
  place("Oscillator")
  place("Pitch")
  local infoX, infoY = x - kPadding, y - kPadding
  x = x + kInfoWidth + kPadding
  place("Mix")

  -- Row 2: the input filter and envelope, the meter column, the envelope modulation.
  x, y = 20, y + groups["Mix"]:height() + kPadding
  place("Input Filter")
  place("Envelope")
  local meterX, meterY = x - kPadding, y - 20
  x = x + kMeterWidth * 5 + kPadding
  place("Env Mod")

  -- Row 3: the modulators, the filter and the OSC port.
  x, y = 20, y + groups["Filter"]:height() + kPadding
  place("Pitch LFO")
  place("Filter")
  place("Filter LFO")
  place("PWM LFO")
  place("OSC")

  add(button("Prefs", "Prefs", infoX, infoY, kInfoWidth, 30))
  add(infoDisplay(infoX, infoY + 40, kInfoWidth, 40))

  -- The meter strip's cell starts kMeterWidth pixels before the atlas's right edge (128).
  local meters = levelMeters(atlas, 128 - kMeterWidth, 0, kMeterWidth, kMeterHeight)
  meters:add("peak", 0, meterX, meterY)
  meters:add("peak", 1, meterX + 6, meterY)
  meters:add("envelope", 0, meterX + 16, meterY)
  meters:add("envelope", 1, meterX + 22, meterY)
end
