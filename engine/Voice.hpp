// One running voice: a note voice plays one sample note; a pattern voice runs its slot's
// row of one pattern. Voices live in the VoicePool and are touched by the audio thread only.
#pragma once

#include "engine/VoiceFilter.hpp"

#include <cstdint>

namespace quovent {

struct Voice {
    static constexpr int kPatternChannel = 15; // reserved: MIDI channel 16 never matches it

    VoiceFilter filterLeft;
    VoiceFilter filterRight;
    float stepGain = 1.0f;
    float gain = 1.0f;
    float stepRatio = 0.5f;
    float stepPan = 0.5f;
    float leftGain = 0.5f;
    float rightGain = 0.5f;
    std::int32_t pattern = -1;
    std::int32_t sounding = 0;
    std::int32_t channel = 0;
    std::int32_t patternVoice = 0;
    std::int32_t slot = 0;
    std::int32_t finished = 0;
    float pitchRatio = 1.0f;
    float position = 0.0f; // frames into the sample
    float fadeGain = 1.0f;
    std::int32_t stopCountdown = 0;
    std::int32_t startDelta = 0; // frames into the block of the starting event
    float velocityGain = 0.5f;
    std::int32_t note = 0;        // the key note-off matches
    double patternPosition = 0.0; // samples since step 0 (pattern voices)

    // Playback state that must outlive a block so that the result does not depend on where
    // the host's blocks begin (pattern voices):
    std::int32_t step = 0;            // the step now playing, 0..15
    std::int32_t stopFadedFrames = 0; // frames faded since the stop request
    float resonanceFade = 1.0f;       // factor on the step resonance while stopping
    float heldLeft = 0.0f;            // the sample values last read, used while the
    float heldRight = 0.0f;           // position is past the play length
};

} // namespace quovent
