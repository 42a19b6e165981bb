// Reads one block's input sequence from the host: MIDI events, time:Position objects and the
// patch:Set / patch:Get messages for the file properties, handed to an AtomInputHandler.
// Nothing in the buffer is trusted: every size is checked against the bytes that may be read
// and against the enclosing atom, every value's type is checked before its body is read,
// texts must end within their atom, and what does not fit is skipped and counted. Headers
// are copied out, so a misaligned buffer is read safely too.
//
// Audio thread: never allocates, locks or throws.
#pragma once

#include "formats/lv2/AtomInputHandler.hpp"
#include "formats/lv2/Urids.hpp"

#include <lv2/atom/atom.h>

#include <cstddef>
#include <cstdint>

namespace quovent::lv2 {

struct AtomInputCounts {
    int midi = 0;    // channel messages handed on
    int tempo = 0;   // tempo changes handed on
    int sets = 0;    // patch:Set requests handed on
    int gets = 0;    // patch:Get requests handed on
    int ignored = 0; // events refused: malformed, of a wrong type, unknown or not ours
};

class AtomInput {
public:
    // sequence points at the port's buffer, of which bufferBytes may be read (the host's
    // sequence size when it told it; else the sequence's own size is believed). Events are
    // placed in 0 .. blockFrames - 1: offsets outside the block are clamped into it, and a
    // sequence timed in beats (atom:beatTime) puts every event at 0. Any other unit, a
    // missing one included, counts as frames.
    static AtomInputCounts read(const void* sequence, std::size_t bufferBytes,
                                std::uint32_t blockFrames, const Urids& urids,
                                AtomInputHandler& handler) noexcept;
};

} // namespace quovent::lv2
