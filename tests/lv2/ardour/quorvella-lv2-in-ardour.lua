-- Runs inside ardour7-lua: a headless session on the dummy backend with two stereo audio
-- tracks. The first records the test signal (quorvella-test-signal.lua) as a region by a
-- bounce; the second plays that region from time zero through the LV2 plug-in and is
-- bounced up to the plug-in. Both are written as 32-bit float WAV files into
-- $QUORVELLA_ARDOUR_OUT (input.wav, output.wav). The input runs on by the plug-in's delay as
-- Ardour knows it (printed as LATENCY), which Ardour removes from the output.
-- Prints one "CHECK ok ..." or "CHECK FAILED ..." line per expectation.
local kURI = "https://halvercast.example/quorvella/lv2"
local kFrames = 96000  -- two seconds at 48 kHz

local function check(condition, what)
  print((condition and "CHECK ok " or "CHECK FAILED ") .. what)
  return condition
end

-- Interleaved stereo float WAV (format 3), as libsndfile reads it.
local function writeWav(path, readable, frames, rate)
  local cmem = ARDOUR.DSP.DspShm(frames * 2)
  local left, right = cmem:to_float(0), cmem:to_float(frames)
  if readable:read(left, 0, frames, 0) ~= frames or readable:read(right, 0, frames, 1) ~= frames then
    return false
  end
  local l, r = left:array(), right:array()
  local parts = {}
  for i = 1, frames do parts[#parts + 1] = string.pack("<ff", l[i], r[i]) end
  local data = table.concat(parts)
  local file = io.open(path, "wb")
  if not file then return false end
  file:write("RIFF", string.pack("<I4", 36 + #data), "WAVE",
             "fmt ", string.pack("<I4I2I2I4I4I2I2", 16, 3, 2, rate, rate * 8, 8, 32),
             "data", string.pack("<I4", #data), data)
  file:close()
  return true
end

local function newTrack(session, name)
  local tracks = session:new_audio_track(2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
                                         ARDOUR.TrackMode.Normal, true, false)
  return tracks:front()
end

local function bounce(t, endpoint, name, frames)
  local region = t:bounce_range(0, frames, ARDOUR.InterThreadInfo(), endpoint, true, name, false)
  if region:isnil() then return nil end
  return region
end

local function run()
  local out = os.getenv("QUORVELLA_ARDOUR_OUT")
  AudioEngine:set_backend("None (Dummy)", "", "")
  local session = create_session(os.getenv("QUORVELLA_SESSION_DIR"), "quorvella", 48000)
  if not check(session ~= nil, "session created") then return end
  print("BLOCK " .. session:get_block_size())

  local plugin = ARDOUR.LuaAPI.new_plugin(session, kURI, ARDOUR.PluginType.LV2, "")
  if not check(not plugin:isnil(), "LV2 plug-in instantiated") then return end
  local wet = newTrack(session, "wet")
  check(wet:add_processor_by_index(plugin, 0, nil, true) == 0, "plug-in added to a track")
  -- Ardour compensates the plug-in's reported delay: the bounce starts that many frames
  -- into the plug-in's output, so the input is recorded that much further. The latency
  -- port has its value once the plug-in has run.
  ARDOUR.LuaAPI.wait_for_process_callback(4, 5000)
  local latency = plugin:signal_latency()
  print("LATENCY " .. latency)

  -- The input: the test signal, recorded as a region. The signal runs on while the engine
  -- does, so the region, not the signal's start, is what both faces are given.
  local dry = newTrack(session, "dry")
  local signal = ARDOUR.LuaAPI.new_luaproc(session, "Quorvella Test Signal")
  if not check(not signal:isnil(), "test signal instantiated") then return end
  check(dry:add_processor_by_index(signal, 0, nil, true) == 0, "test signal added")
  local input = bounce(dry, signal, "input", kFrames + latency)
  if not check(input ~= nil, "test signal bounced") then return end

  -- The output: the region played from time zero through the plug-in.
  -- Played as recorded: without the short fades Ardour gives a region's ends.
  input:to_audioregion():set_fade_in_active(false)
  input:to_audioregion():set_fade_out_active(false)
  wet:playlist():add_region(input, Temporal.timepos_t(0), 1, false, 0, 0, false)
  local output = bounce(wet, plugin, "output", kFrames)
  if not check(output ~= nil, "plug-in bounced") then return end

  check(writeWav(out .. "/input.wav", input:to_audioregion():to_readable(), kFrames + latency, 48000),
        "input written")
  check(writeWav(out .. "/output.wav", output:to_audioregion():to_readable(), kFrames, 48000),
        "output written")
end

run()
close_session()
print("DONE")
