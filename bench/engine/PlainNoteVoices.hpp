// The engine benchmark's reference for note voices: the work the engine does for a note voice
// in full play (its gains settled, no fade, no stop), written as the plain scalar loop a
// reviewer would write, independent of the engine's voice code. One voice after another, and
// for each frame of the block, with no call and no branch inside the frame loop:
//   position += increment; i = int(position); f = position - i
//   left = (1 - f) x L[i] + f x L[i + 1], right likewise (a 16-bit frame's value from a
//     table of s x 1.15 / 32768)
//   each channel through the slot's filter section,
//     y = (b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2) / a0, times 2 for the band-pass
//   out[k] += y x (gain x velocity) x pan gain, into each channel of the slot's output pair
// This is the arithmetic of the engine's one-voice path in that state, operation for
// operation, so both give the same samples (the benchmark checks that before it measures).
#pragma once

#include "engine/Sequencer.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace quovent::bench {

class PlainNoteVoices {
public:
    // A slot's sample as the benchmark wrote it: floats, or (when left16 is filled) 16-bit
    // values. Both channels hold frameCount frames and one zero frame behind them.
    struct Sample {
        std::vector<float> left, right;
        std::vector<std::int16_t> left16, right16;
    };

    // The note voices of seq as they are after its last block, reading samples[slot] and adding
    // into outputs (twelve buffers, as a host gives them).
    PlainNoteVoices(Sequencer& seq, const std::array<Sample, 8>& samples, float* const* outputs);

    // One block of frames. A voice whose sample would run out in it starts again from the
    // sample's beginning first (the benchmark's pool restarts, too).
    void render(int frames) noexcept;

private:
    struct Channel {
        float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    };
    struct PlainVoice {
        const Sample* sample = nullptr;
        float* outLeft = nullptr;
        float* outRight = nullptr;
        float position = 0.0f;
        float increment = 0.0f;
        float end = 0.0f; // frames of the sample
        float gain = 0.0f;
        float leftGain = 0.0f;
        float rightGain = 0.0f;
        float a0 = 1.0f, a1 = 0.0f, a2 = 0.0f, b0 = 1.0f, b1 = 0.0f, b2 = 0.0f;
        float outputScale = 1.0f;
        Channel left, right;
    };

    template <class T>
    void renderVoice(PlainVoice& v, const T* left, const T* right, int frames) noexcept;

    std::vector<PlainVoice> voices_;
    std::vector<float> values16_;
};

} // namespace quovent::bench
