// Sample playback shared by note voices and pattern voices: the playback increment, the
// play length, the interpolating reader, the pan law, the gain smoothing and the output
// pair of a slot. Audio thread only; everything here is inline because it runs per frame.
#pragma once

#include "engine/DenormalGuard.hpp"
#include "engine/NoteRatioTable.hpp"
#include "engine/Slot.hpp"
#include "engine/Voice.hpp"

#include <algorithm>

namespace quovent {

class Playback {
public:
    static constexpr float kFadeFactor = 0.995f;  // per faded frame
    static constexpr float kFadeCut = 0.0002f;    // a fade below this is silence
    static constexpr float kFadeFrames = 1800.0f; // fade lead, in frames of the output rate
    static constexpr float kGainRate = 0.008f;    // gain smoothing per frame
    static constexpr float kPanRate = 0.01f;      // pan gain smoothing per frame
    // Increments beyond this (or NaN, or not above 0) cannot play anything sensible.
    static constexpr float kMaxIncrement = 1.0e6f;

    // Sample frames advanced per output frame. A sample whose rate is unknown (0) counts as
    // recorded at the host rate.
    static float increment(const Slot& slot, float pitchRatio, float stepRatio,
                           float hostRate) noexcept {
        if (slot.sync != 0) {
            return slot.syncIncrement;
        }
        const std::uint32_t rate = slot.sample.sampleRate();
        const float sampleRate = rate != 0 ? static_cast<float>(rate) : hostRate;
        return slot.tuneRatio() * pitchRatio * stepRatio * sampleRate / hostRate;
    }

    static bool playable(float increment) noexcept {
        return increment > 0.0f && increment <= kMaxIncrement;
    }

    // Frames of the sample that are played: the integer part of length x frameCount, never
    // beyond the sample, whatever value the length setting was given.
    static int playLength(float length, int frameCount) noexcept {
        const float frames = length * static_cast<float>(frameCount);
        if (!(frames > 0.0f)) {
            return 0;
        }
        return frames < static_cast<float>(frameCount) ? static_cast<int>(frames) : frameCount;
    }

    // Linear interpolation between frame i and i + 1. Callers read below the play length,
    // so i + 1 is at most the zero guard frame; the clamp keeps every read inside the
    // arrays even for a position that is not (NaN reads frame 0).
    static void read(const SampleView& sample, float position, float& left, float& right) noexcept {
        constexpr int kLast = SampleBuffer::kCapacity - 1;
        const float p = position >= 0.0f ? position : 0.0f;
        int i = kLast;
        float f = 1.0f;
        if (p < static_cast<float>(SampleBuffer::kCapacity)) {
            i = static_cast<int>(p);
            f = p - static_cast<float>(i);
        }
        left = (1.0f - f) * sample.left(i) + f * sample.left(i + 1);
        right = (1.0f - f) * sample.right(i) + f * sample.right(i + 1);
    }

    // Pan law: both sides full at the centre, one side falling linearly to 0 at an extreme.
    static float panLeft(float pan) noexcept { return std::min(1.0f, 2.0f * (1.0f - pan)); }
    static float panRight(float pan) noexcept { return std::min(1.0f, 2.0f * pan); }

    // One smoothing step toward target; a stored denormal, NaN or infinity counts as 0 first.
    static float smooth(float value, float target, float rate) noexcept {
        const float v = flushAbnormal(value);
        return v + (target - v) * rate;
    }

    // A new voice's startDelta is used once: frames of the block before its event stay
    // silent. Values outside the block (negative, or at least its length) count as 0.
    static int takeStartFrame(Voice& voice, int frames) noexcept {
        const int delta = voice.startDelta;
        voice.startDelta = 0;
        return delta > 0 && delta < frames ? delta : 0;
    }

    struct Outputs {
        float* left = nullptr; // both null when the host gave no buffer for the pair
        float* right = nullptr;
    };

    // Pair n (1..6) is outputs 2n-2 and 2n-1.
    static Outputs outputPair(float* const* outputs, int pair) noexcept {
        if (outputs == nullptr) {
            return {};
        }
        const int n = std::clamp(pair, Slot::kMinOutputPair, Slot::kMaxOutputPair);
        Outputs o{outputs[2 * n - 2], outputs[2 * n - 1]};
        if (o.left == nullptr || o.right == nullptr) {
            return {};
        }
        return o;
    }
};

} // namespace quovent
