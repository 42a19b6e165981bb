-- Creates a session with one MIDI track: the pattern note script, then the instrument.
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
local tracks = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
	ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, ARDOUR.PluginInfo (), nil, nil, 1,
	"quovent", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert (tracks:size () == 1, "no track")
local track = tracks:front ()
local instrument = ARDOUR.LuaAPI.new_plugin (Session, plugin.id, plugin.kind, "")
assert (not instrument:isnil (), "the instrument is not known to Ardour")
assert (track:add_processor_by_index (instrument, 0, nil, true) == 0, "instrument not added")
local notes = ARDOUR.LuaAPI.new_luaproc (Session, "quovent test pattern note")
assert (not notes:isnil (), "the pattern note script is not known to Ardour")
assert (track:add_processor_by_index (notes, 0, nil, true) == 0, "note script not added")
Session:save_state ("", false, false, false, false, false)
close_session ()
print ("QUOVENT-CREATED")
