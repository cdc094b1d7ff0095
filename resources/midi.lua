-- Built-in MIDI script: maps MIDI controllers to the effect's parameters.
--
-- Every used parameter gets the next free controller number, starting at 0 and leaving out
-- the controllers that instruments use for other things (mod wheel, volume, pan, sustain)
-- and those of NRPN data entry. Controllers of every channel control the same parameters.
-- A user script named midi.lua in the scripts folder replaces this script; other user
-- scripts run after it and may change ccMap.

ccScale = 1 / 127
ccScale1 = 1 / 128
ccScale2 = 0.5 / 63

local avoided = {
  [1] = true, [7] = true, [10] = true, [64] = true,  -- mod wheel, volume, pan, sustain
  [99] = true, [98] = true, [6] = true, [38] = true,  -- NRPN number and data entry
}

-- Controller number -> parameter index.
ccMap = {}
do
  local cc = -1
  for i = 0, getNumParameters() - 1 do
    if isParameterUsed(i) then
      cc = cc + 1
      while avoided[cc] do cc = cc + 1 end
      ccMap[cc] = i
    end
  end
end

local log, floor = math.log, math.floor

requestAllCC(function(channel, controller, value)
  local parameter = ccMap[controller]
  if parameter == nil then return end
  local min, max = getParameterMinMax(parameter)
  local unit = getParameterUnit(parameter)

  -- 0..127 to a position; a range around zero puts 64 exactly in the middle.
  local x
  if min < 0 and max > 0 then
    if value <= 64 then
      x = value * ccScale1
    else
      x = 0.5 + (value - 64) * ccScale2
    end
  elseif unit == 23 then
    x = value
  else
    x = value * ccScale
  end

  local result
  if unit == 8 then          -- hertz: exponential sweep from min to max
    result = min * 2 ^ (log(max / min) * 1.4426950409 * x)
  elseif unit == 23 then     -- beats: counts from 1
    result = x + 1
  elseif unit == 2 then      -- boolean
    if x > 0 then result = 1 else result = 0 end
  elseif unit == 1 then      -- indexed: whole steps
    result = floor(min + (max - min) * x + 0.5)
  else
    result = min + (max - min) * x
  end
  setParameter(parameter, result)
end)
