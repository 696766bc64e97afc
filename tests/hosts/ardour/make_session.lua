-- Builds the test session: one MIDI track whose test pattern feeds Tembro-laxis.
--   SESSION_DIR=... [PLUGIN_TYPE=LV2 [KIT_PRESET=LABEL]] ardour7-lua make_session.lua
-- For the Linux VST the configuration names the plug-in folder, whose scan cache Ardour's VST
-- scanner wrote beforehand; starting the engine reads it. LV2 plug-ins come from LV2_PATH.
local dir = os.getenv ("SESSION_DIR")
AudioEngine:set_backend ("None (Dummy)", "", "")
assert (create_session (dir, "kv7", 48000), "cannot create the session")

-- The track gets its two audio outputs when created, and the instrument afterwards: creating it
-- with the instrument makes Ardour 7.3 register the outputs twice now and then, and abort.
local tracks = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
    ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, ARDOUR.PluginInfo (), nil, nil, 1, "Kv7",
    ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local track = tracks:front ()
assert (not track:isnil (), "no MIDI track")
-- The pattern adds audio channels ahead of the instrument, which strict I/O would refuse.
track:set_strict_io (false)

local pattern = ARDOUR.LuaAPI.new_luaproc (Session, "Kv7 Test Pattern")
assert (not pattern:isnil (), "no test pattern script")
local instrument = ARDOUR.LuaAPI.new_plugin (Session, "Tembro-laxis", ARDOUR.PluginType[os.getenv ("PLUGIN_TYPE") or "LXVST"], "")
assert (not instrument:isnil (), "Ardour does not know Tembro-laxis")
-- Both before the first processor the user sees (the fader): the pattern, then the instrument.
assert (track:add_processor_by_index (instrument, 0, nil, true) == 0, "cannot add Tembro-laxis")
assert (track:add_processor_by_index (pattern, 0, nil, true) == 0, "cannot add the test pattern")
-- Ardour's Lua bindings set no LV2 state or patch property, but load a preset: a saved state.
local preset = os.getenv ("KIT_PRESET")
if preset then
    local plugin = instrument:to_insert ():plugin (0)
    local record = plugin:preset_by_label (preset)
    assert (record and plugin:load_preset (record), "cannot load the preset " .. preset)
end

-- Ardour connects new tracks to the master bus from a thread of its own, which may not have run
-- by the time the session is saved: connect them here.
local master = Session:master_out ():input ()
for c = 0, 1 do
    local port = track:output ():audio (c)
    if not port:connected_to (master:audio (c):name ()) then
        assert (port:connect (master:audio (c):name ()) == 0, "cannot connect the track to the master bus")
    end
end

local i = 0
while true do
    local p = track:nth_processor (i)
    if p:isnil () then break end
    print ("processor", i, p:display_name ())
    i = i + 1
end
Session:save_state ("", false, false, false, false, false)
close_session ()
