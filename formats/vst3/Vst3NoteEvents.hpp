// Note events of a block as the MIDI messages the instrument understands: a note-on or
// note-off keeps its channel and pitch and is placed at its sample offset, so the
// instrument's MIDI map (channel 15 patterns, channel 10 drums, channels 1..8 chromatic)
// applies unchanged. Other events, events of another bus and events with a channel or pitch
// out of range are dropped; an offset outside the block is moved to its nearest edge.
//
// Threads: the audio thread; nothing here allocates, locks or throws.
#pragma once

#include "formats/vst3/Vst3AbiProcessing.hpp"

#include <cstdint>

namespace quovent {

struct Vst3MidiMessage {
    int frame = 0; // 0..frames-1
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

class Vst3NoteEvents {
public:
    // False for an event the instrument has no message for.
    static bool toMidi(const vst3::Event& event, int frames, Vst3MidiMessage& out) noexcept;
};

} // namespace quovent
