-- Creates a session with one MIDI track: the pattern note script, then the instrument.
-- QUOVENT_SESSION_DIR and QUOVENT_SESSION_NAME say where, QUOVENT_PLUGIN_TYPE=VST3 takes the
-- VST 3 plug-in in place of the VST 2 one; prints QUOVENT-CREATED.
local dir = os.getenv ("QUOVENT_SESSION_DIR")
local name = os.getenv ("QUOVENT_SESSION_NAME")
AudioEngine:set_backend ("None (Dummy)", "", "")
assert (create_session (dir, name, 44100), "no session")
local tracks = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
	ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, ARDOUR.PluginInfo (), nil, nil, 1,
	"quovent", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert (tracks:size () == 1, "no track")
local track = tracks:front ()
local kind = ARDOUR.PluginType.LXVST
if os.getenv ("QUOVENT_PLUGIN_TYPE") == "VST3" then kind = ARDOUR.PluginType.VST3 end
local instrument = ARDOUR.LuaAPI.new_plugin (Session, "quovent", kind, "")
assert (not instrument:isnil (), "the instrument is not known to Ardour")
assert (track:add_processor_by_index (instrument, 0, nil, true) == 0, "instrument not added")
local notes = ARDOUR.LuaAPI.new_luaproc (Session, "quovent test pattern note")
assert (not notes:isnil (), "the pattern note script is not known to Ardour")
assert (track:add_processor_by_index (notes, 0, nil, true) == 0, "note script not added")
Session:save_state ("", false, false, false, false, false)
close_session ()
print ("QUOVENT-CREATED")
