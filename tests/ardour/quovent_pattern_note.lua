ardour {
	["type"]    = "dsp",
	name        = "quovent test pattern note",
	category    = "Utility",
	license     = "MIT",
	author      = "quovent tests",
	description = [[Starts pattern 0 of the instrument behind it (note 60 on MIDI channel 15) when the transport rolls from the session start, and stops it at the given sample.]]
}

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 0 }, }
end

-- The note's end, in samples from the session start.
local stop = 176400

function dsp_run (_, _, n_samples)
	assert (type (midiout) == "table")
	if not Session:transport_rolling () then return end
	local pos = Session:transport_sample ()
	local m = 1
	if pos <= 0 and pos + n_samples > 0 then
		midiout[m] = { time = 1 - pos, data = { 0x9e, 60, 127 } }
		m = m + 1
	end
	if pos <= stop and pos + n_samples > stop then
		midiout[m] = { time = 1 + stop - pos, data = { 0x8e, 60, 0 } }
	end
end
