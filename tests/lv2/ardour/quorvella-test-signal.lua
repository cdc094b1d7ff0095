ardour {
  ["type"] = "dsp",
  name = "Quorvella Test Signal",
  category = "Utility",
  license = "MIT",
  author = "Quorvella tests",
  description = [[A stereo test signal, whatever comes in: a rising tone on the left, two
steady tones on the right.]]
}

function dsp_ioconfig () return { { audio_in = 2, audio_out = 2 } } end

local rate = 48000
local n = 0

function dsp_init (sampleRate) rate = sampleRate end

function dsp_run (ins, outs, count)
  local left, right = outs[1]:array(), outs[2]:array()
  for i = 1, count do
    local t = n / rate
    left[i] = 0.5 * math.sin(2 * math.pi * (110 + 400 * t) * t)
    right[i] = 0.25 * math.sin(2 * math.pi * 330 * t) + 0.2 * math.sin(2 * math.pi * 47 * t)
    n = n + 1
  end
end
