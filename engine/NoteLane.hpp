// One note voice while a block renders: the block's constants taken from its slot and the
// running values taken from the voice, and the work of one output frame. The frame loops
// work on a copy in a local variable whose address never leaves the loop's function, so
// its fields stay in registers across the stores into the output buffers. Audio thread.
#pragma once

#include "engine/BlockContext.hpp"
#include "engine/Playback.hpp"
#include "engine/Slot.hpp"
#include "engine/Voice.hpp"

#define QUOVENT_ALWAYS_INLINE [[gnu::always_inline]] inline

namespace quovent {

struct NoteLane {
    // False when the voice cannot play at all (it has ended). Takes the voice's start
    // frame, so it is called once per voice and block.
    bool prepare(Voice& voice, const Slot& slot, const BlockContext& block) noexcept;
    // Writes the running values back into the voice.
    void finish(Voice& voice) const noexcept;

    // Frame k; true when the voice ended at this frame (it then adds nothing).
    template <bool kFiltered> QUOVENT_ALWAYS_INLINE bool frame(int k) noexcept {
        if (countdown != 0 || fadeFrom < position || fadeGain < 1.0f) {
            fadeGain *= Playback::kFadeFactor;
            if (fadeGain < Playback::kFadeCut) {
                fadeGain = 0.0f;
                countdown = 0;
                return true;
            }
            if (--countdown == 0) {
                return true;
            }
        }
        position += increment;
        if (position >= end) {
            return true; // the sample's data is played out
        }
        if (!active) {
            return false;
        }
        float l = 0.0f;
        float r = 0.0f;
        Playback::read(sample, position, l, r);
        if (!settled) {
            const float g = Playback::smooth(gain, volume, Playback::kGainRate);
            const float lg = Playback::smooth(leftGain, leftTarget, Playback::kPanRate);
            const float rg = Playback::smooth(rightGain, rightTarget, Playback::kPanRate);
            settled = g == gain && lg == leftGain && rg == rightGain;
            gain = g;
            leftGain = lg;
            rightGain = rg;
        }
        const float a = gain * velocity * fadeGain;
        if constexpr (kFiltered) {
            l = filterLeft.step(l);
            r = filterRight.step(r);
        }
        if (outLeft != nullptr) {
            outLeft[k] += l * a * leftGain;
            outRight[k] += r * a * rightGain;
        }
        return false;
    }

    // Frames [from, to); true when the voice ended.
    template <bool kFiltered> QUOVENT_ALWAYS_INLINE bool frames(int from, int to) noexcept {
        for (int k = from; k < to; ++k) {
            if (frame<kFiltered>(k)) {
                return true;
            }
        }
        return false;
    }

    SampleView sample;        // taken once per block
    float* outLeft = nullptr; // null: the host gave no buffer for the pair
    float* outRight = nullptr;
    float increment = 0.0f;
    float end = 0.0f;      // the end of the sample's data, frames
    float fadeFrom = 0.0f; // the fade toward the play length's end begins past this position
    float volume = 0.0f;
    float leftTarget = 0.0f;
    float rightTarget = 0.0f;
    float velocity = 0.0f;
    bool active = false;
    bool filtered = false;
    int start = 0; // first frame of the block the voice renders
    // Running values.
    float position = 0.0f;
    float fadeGain = 1.0f;
    float gain = 1.0f;
    float leftGain = 0.5f;
    float rightGain = 0.5f;
    std::int32_t countdown = 0;
    // The three gains reached a fixed point of their smoothing under this block's targets:
    // a further step would leave them exactly as they are, so it is skipped.
    bool settled = false;
    VoiceFilter filterLeft;
    VoiceFilter filterRight;
};

} // namespace quovent
