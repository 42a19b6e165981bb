// Note voices rendered side by side, one voice per lane of a vector: four lanes with SSE2
// (every x86 processor the plug-in runs on), eight with AVX2 where the processor has it.
// Every lane gives exactly the results of NoteLane::frame's operations in their order, and
// the lanes add into the outputs in voice order at every frame, so the outputs are bit for bit
// those of rendering the voices one after another (the scalar kernel); only the time differs
// (the filters' feedback paths of several voices run at once instead of one after another).
//
// The voices must have started (no start frame left in this block) and their slots must be
// audible; NoteVoiceRenderer sends the others through the one-voice path. Audio thread only.
#pragma once

#include "engine/NoteLane.hpp"

namespace quovent {

class NoteVoiceGroup {
public:
    static constexpr int kMaxLanes = 8;

    enum class Kernel : int {
        Scalar, // one voice after another (the reference)
        Sse2,   // four lanes
        Avx2,   // eight lanes
    };

    // Whether a prepared voice can join a group.
    static bool accepts(const NoteLane& lane) noexcept { return lane.active && lane.start == 0; }

    static int lanes(Kernel kernel) noexcept;
    // Whether this processor runs the kernel.
    static bool runs(Kernel kernel) noexcept;
    // The widest kernel this processor runs.
    static Kernel best() noexcept;

    // The kernel NoteVoiceRenderer uses: best() unless tests or benchmarks chose another
    // (one it runs) while nothing renders.
    static Kernel current() noexcept;
    static void use(Kernel kernel) noexcept;

    // Renders frames [0, frames) of count (1..lanes(kernel)) prepared voices with a kernel
    // this processor runs; ended[i] tells whether voice i ended in this block.
    static void render(Kernel kernel, NoteLane* lanes, bool* ended, int count, int frames) noexcept;
};

} // namespace quovent
