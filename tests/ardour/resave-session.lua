-- Opens the session (the instrument's state comes back from it), saves it and closes it.
-- Prints QUOVENT-SAVED when the instrument was there.
local dir = os.getenv ("QUOVENT_SESSION_DIR")
local name = os.getenv ("QUOVENT_SESSION_NAME")
AudioEngine:set_backend ("None (Dummy)", "", "")
assert (load_session (dir, name), "the session did not open")
local found = false
for route in Session:get_routes ():iter () do
	local i = 0
	while true do
		local p = route:nth_plugin (i)
		if p:isnil () then break end
		found = found or p:name () == "quovent"
		i = i + 1
	end
end
Session:save_state ("", false, false, false, false, false)
close_session ()
print (found and "QUOVENT-SAVED" or "QUOVENT-NO-INSTRUMENT")
