// What every voice of one rendered block shares: the outputs, the block length, the host
// rate and the step grid of the block's tempo and shuffle. Audio thread only.
#pragma once

#include <cstdint>

namespace quovent {

struct BlockContext {
    float* const* outputs = nullptr; // the twelve outputs; null entries are skipped
    int frames = 0;
    float hostRate = 44100.0f;
    double samplesPerStep = 5512.5; // one sixteenth note
    double shuffleDelay = 0.0;      // how late odd steps start, samples
    std::uint32_t silentSlots = 0;  // bit i: slot i is muted, or left out by a solo

    bool sounds(int slot) const noexcept { return (silentSlots >> slot & 1U) == 0; }
};

} // namespace quovent
