-- Creates a session with one MIDI track and the instrument on it.
-- QUOVENT_SESSION_DIR and QUOVENT_SESSION_NAME say where, QUOVENT_SESSION_RATE its sample rate
-- (44100 when unset); QUOVENT_PLUGIN_TYPE=VST3 or LV2 takes that plug-in in place of the
-- VST 2 one. Prints QUOVENT-CREATED.
local dir = os.getenv ("QUOVENT_SESSION_DIR")
local name = os.getenv ("QUOVENT_SESSION_NAME")
local rate = tonumber (os.getenv ("QUOVENT_SESSION_RATE") or "44100")
-- Ardour knows the VST plug-ins by name, the LV2 one by its URI.
local plugins = {
	VST2 = { kind = ARDOUR.PluginType.LXVST, id = "quovent" },
	VST3 = { kind = ARDOUR.PluginType.VST3, id = "quovent" },
	LV2 = { kind = ARDOUR.PluginType.LV2, id = "https://halvden.audio/plugins/quovent" },
}
local plugin = plugins[os.getenv ("QUOVENT_PLUGIN_TYPE") or "VST2"]
assert (plugin, "QUOVENT_PLUGIN_TYPE is none of VST2, VST3, LV2")
AudioEngine:set_backend ("None (Dummy)", "", "")
assert (create_session (dir, name, rate), "no session")
-- The plug-in list is asked for only once the session runs: earlier, Ardour 7.3 crashes.
local info = ARDOUR.LuaAPI.new_plugin_info (plugin.id, plugin.kind)
assert (not info:isnil (), "the instrument is not known to Ardour")
assert (info:is_instrument (), "Ardour does not list the plug-in as an instrument")
assert (info.n_inputs:n_audio () == 0 and info.n_inputs:n_midi () == 1,
	"Ardour lists other inputs than one MIDI input")
local tracks = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
	ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, info, nil, nil, 1,
	"instrument", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert (tracks:size () == 1, "no track")
local track = tracks:front ()
assert (not track:the_instrument ():isnil (), "the track has no instrument")
-- Ardour connects a new track to the master bus from a thread of its own, which need not have
-- run by the time the session is saved: the test connects it itself.
local out = track:output ()
for i = 0, 1 do
	assert (out:connect (out:audio (i), "Master/audio_in " .. (i + 1), nil) == 0, "not connected")
end
Session:save_state ("", false, false, false, false, false)
close_session ()
print ("QUOVENT-CREATED")
