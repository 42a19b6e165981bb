// The host's events of a block as the instrument's: note-ons and note-offs (the CLAP dialect)
// and MIDI messages (the MIDI dialect) as MIDI channel messages, parameter values as the
// instrument's plain values, each at its frame. The instrument orders them and clamps their
// frames; here an event is only read as far as its record is whole.
//
// Notes keep their channel (0..15 is MIDI channel 1..16, so 14 plays patterns, 9 the drums
// and 0..7 the slots). A note-on for any channel (-1) plays on channel 0 (MIDI channel 1). A
// note-off or choke for any channel ends the key on every channel; for any key it is
// controller 123 (all notes off), which the instrument applies to every channel. A choke
// ends its note as a note-off does: the instrument has no harder stop. Velocity 0..1 becomes
// 1..127 for note-ons (0 would read as a note-off), 0..127 for note-offs.
//
// Audio thread (and the main thread's flush): no allocation, no lock.
#pragma once

#include "formats/clap/ClapAbiBase.hpp"
#include "instrument/InstrumentEvent.hpp"

#include <cstddef>
#include <span>

namespace quovent {

class ClapInputEvents {
public:
    // The list's events (as many as `out` holds), appended to `out` from `count` on while
    // there is room; the new count. A null list, or a null or short record in it, adds nothing.
    static std::size_t read(const clap::InputEvents* list, std::span<InstrumentEvent> out,
                            std::size_t count) noexcept;
    // One event; unknown spaces and types, ports other than ours and invalid keys add nothing.
    static std::size_t translate(const clap::EventHeader& event, std::span<InstrumentEvent> out,
                                 std::size_t count) noexcept;
};

} // namespace quovent
