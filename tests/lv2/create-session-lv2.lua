-- Creates a session with one MIDI track: the pattern note script, then the LV2 instrument.
-- QUOVENT_SESSION_DIR and QUOVENT_SESSION_NAME say where; prints QUOVENT-CREATED.
local dir = os.getenv ("QUOVENT_SESSION_DIR")
local name = os.getenv ("QUOVENT_SESSION_NAME")
AudioEngine:set_backend ("None (Dummy)", "", "")
assert (create_session (dir, name, 48000), "no session")
local tracks = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
	ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, ARDOUR.PluginInfo (), nil, nil, 1,
	"quovent", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert (tracks:size () == 1, "no track")
local track = tracks:front ()
local instrument = ARDOUR.LuaAPI.new_plugin (Session, "https://halvden.audio/plugins/quovent",
	ARDOUR.PluginType.LV2, "")
assert (not instrument:isnil (), "the instrument is not known to Ardour")
assert (track:add_processor_by_index (instrument, 0, nil, true) == 0, "instrument not added")
local notes = ARDOUR.LuaAPI.new_luaproc (Session, "quovent test pattern note")
assert (not notes:isnil (), "the pattern note script is not known to Ardour")
assert (track:add_processor_by_index (notes, 0, nil, true) == 0, "note script not added")
Session:save_state ("", false, false, false, false, false)
close_session ()
print ("QUOVENT-CREATED")
