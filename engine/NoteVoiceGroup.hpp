// Up to four note voices rendered side by side, one voice per lane of a four-float vector.
// Every lane does exactly the operations of NoteLane::frame in the same order, and the
// lanes add into the outputs in voice order at every frame, so the outputs are bit for bit
// those of rendering the voices one after another; only the time differs (the filters'
// feedback paths of four voices run at once instead of one after another).
//
// The voices must have started (no start frame left in this block) and their slots must be
// audible; NoteVoiceRenderer sends the others through the one-voice path. Audio thread only.
#pragma once

#include "engine/NoteLane.hpp"

namespace quovent {

class NoteVoiceGroup {
public:
    static constexpr int kLanes = 4;

    // Whether a prepared voice can join a group.
    static bool accepts(const NoteLane& lane) noexcept { return lane.active && lane.start == 0; }

    // Renders frames [0, frames) of count (2..4) prepared voices; ended[i] tells whether
    // voice i ended in this block.
    static void render(NoteLane* lanes, bool* ended, int count, int frames) noexcept;
};

} // namespace quovent
