// Renders note voices (one sample note started by a MIDI note, drum notes included) for
// one block, adding into their slots' output pairs. Audio thread only.
//
// A voice starts to fade 1800 x increment frames before the end of its play length and
// keeps reading the sample past that end while the fade runs, so the sound dies away instead
// of stopping dead (also at a play length of 0, a short fading blip). It ends when the fade
// has died away, its stop countdown runs out or the sample's data ends: frame by frame, so
// the result does not depend on how the host cuts the stream into blocks (also a sample
// shorter than a block sounds).
#pragma once

#include "engine/BlockContext.hpp"
#include "engine/Slot.hpp"
#include "engine/Voice.hpp"

namespace quovent {

class NoteVoiceRenderer {
public:
    // At most this many consecutive voices go to renderRun at once.
    static constexpr int kMaxRun = 8;

    // True when the voice has ended (its fade, its stop countdown or its sample ran out).
    static bool render(Voice& voice, const Slot& slot, const BlockContext& block) noexcept;

    // count (1..kMaxRun) voices that follow each other in the pool, with exactly the result
    // of rendering them one after another; voices that can go side by side are rendered as
    // a group (NoteVoiceGroup). ended[i] tells whether voice i has ended.
    static void renderRun(Voice* const* voices, const Slot* const* slots, bool* ended, int count,
                          const BlockContext& block) noexcept;
};

} // namespace quovent
