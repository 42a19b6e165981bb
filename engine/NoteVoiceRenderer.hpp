// Renders a note voice (one sample note started by a MIDI note, drum notes included) for
// one block, adding into its slot's output pair. Audio thread only.
//
// The voice plays to the end of its play length and ends there, after the fade that starts
// 1800 x increment frames before that end, so the result does not depend on how the host
// cuts the stream into blocks (also a sample shorter than a block sounds).
#pragma once

#include "engine/BlockContext.hpp"
#include "engine/Slot.hpp"
#include "engine/Voice.hpp"

namespace quovent {

class NoteVoiceRenderer {
public:
    // True when the voice has ended (its fade, its stop countdown or its sample ran out).
    static bool render(Voice& voice, const Slot& slot, const BlockContext& block) noexcept;
};

} // namespace quovent
