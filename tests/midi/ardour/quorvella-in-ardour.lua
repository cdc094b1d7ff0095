-- Runs inside ardour7-lua (Ardour's own Lua 5.3): a headless session on the dummy
-- backend, a MIDI track with Quorvella on it, MIDI sent to the plug-in and to the track.
-- Prints one "CHECK ok ..." or "CHECK FAILED ..." line per expectation.
local function check(condition, what)
  print((condition and "CHECK ok " or "CHECK FAILED ") .. what)
end

local function send(target, bytes)
  local parser = ARDOUR.RawMidiParser()
  for _, byte in ipairs(bytes) do
    if parser:process_byte(byte) then
      target:write_immediate_event(Evoral.EventType.MIDI_EVENT, parser:buffer_size(),
                                   parser:midi_buffer())
    end
  end
  ARDOUR.LuaAPI.usleep(300000)  -- a good number of process cycles
end

local function parameter(processor, index)
  local value = ARDOUR.LuaAPI.get_processor_param(processor, index, true)
  return value
end

AudioEngine:set_backend("None (Dummy)", "", "")
local session = create_session(os.getenv("QUORVELLA_SESSION_DIR"), "quorvella", 48000)
check(session ~= nil, "session created")

local midi = ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1)
local audio = ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2)
local tracks = session:new_midi_track(midi, audio, false, ARDOUR.PluginInfo(), nil, nil, 1,
                                      "quorvella", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true, false)
local track = tracks:front()
local plugin = ARDOUR.LuaAPI.new_plugin(session, "Quorvella", ARDOUR.PluginType.LXVST, "")
check(not plugin:isnil(), "plug-in instantiated")
if plugin:isnil() then
  close_session()
  return
end
check(track:add_processor_by_index(plugin, 0, nil, true) == 0, "plug-in added to the track")

-- Controller 11 is Lowpass Cutoff in the built-in MIDI script.
send(plugin:to_plugininsert(), {0xB0, 11, 127, 0x90, 60, 100})
check(math.abs(parameter(plugin, 7) - 1.0) < 1e-4, "controller 11 = 127 sets Lowpass Cutoff to its maximum")
send(track:to_track():to_midi_track(), {0x91, 62, 90, 0xB0, 11, 0})
check(math.abs(parameter(plugin, 7)) < 1e-4, "controller 11 = 0 through the track sets it to its minimum")

close_session()
print("DONE")
