// Renders a pattern voice (the running row of one slot in one pattern) for one block: finds
// its step on the shuffled sixteenth-note grid, applies each step's lanes at its boundary,
// restarts the sample on steps that are on after a short fade, and fades out after a stop.
// Audio thread only.
//
// The voice keeps its own clock (patternPosition, samples since step 0 counted from its
// first rendered frame) and handles every step boundary at the frame it falls on, however
// many fall into one block; so what is heard does not depend on the host's block size.
#pragma once

#include "engine/BlockContext.hpp"
#include "engine/PatternRow.hpp"
#include "engine/Slot.hpp"
#include "engine/Voice.hpp"

namespace quovent {

class PatternVoiceRenderer {
public:
    // True when the voice has ended (it was stopped and its fade is over).
    static bool render(Voice& voice, const Slot& slot, const PatternRow& row,
                       const BlockContext& block) noexcept;

    // At most this many consecutive voices go to renderRun at once.
    static constexpr int kMaxRun = 8;
    // count (1..kMaxRun) voices that follow each other in the pool, with exactly the result
    // of rendering them one after another; voices that play the whole block and are not
    // stopping go side by side, one per vector lane, with the kernel that note voices use
    // (NoteVoiceGroup::current()). ended[i] tells whether voice i has ended.
    static void renderRun(Voice* const* voices, const Slot* const* slots,
                          const PatternRow* const* rows, bool* ended, int count,
                          const BlockContext& block) noexcept;

    // Clock value at which step c (0..15) ends: odd steps start shuffleDelay late.
    static double boundaryAfter(int c, double samplesPerStep, double shuffleDelay) noexcept {
        return (c + 1) * samplesPerStep + ((c & 1) == 0 ? shuffleDelay : 0.0);
    }
    // The step under the clock (0 <= clock < 16 steps), found with the same comparisons as
    // the per-frame boundary test so both always agree.
    static int stepAt(double clock, double samplesPerStep, double shuffleDelay) noexcept;
};

} // namespace quovent
