// The per-channel filter of a voice: one second-order recursive section (low-pass,
// band-pass or high-pass) whose coefficients are recomputed only when its inputs change.
// Audio thread only.
//
// Every member the audio loop calls is inline and the coefficient formulas take plain
// values, so a renderer can keep a filter in a local copy whose fields live in registers.
#pragma once

#include "engine/DenormalGuard.hpp"

#include <cmath>

namespace quovent {

class VoiceFilter {
public:
    static constexpr int kNone = 0;
    static constexpr int kHighPass = 7;
    static constexpr int kLowPass = 8;
    static constexpr int kBandPass = 9;

    // The tangent of the low-pass and high-pass is taken of at most this many radians. Their
    // argument passes a quarter turn (the cutoff passing half the host rate) below about
    // 43.7 kHz, where the tangent changes sign and the section blows up. 0.4975 pi
    // (tan = 127) keeps the full cutoff range at 44.1 kHz untouched (1.5601 rad there).
    static constexpr float kMaxTangentArgument = 1.5629423f; // 0.4975 pi
    // The band-pass angle stays below half a turn for the same reason (its sine, and with it
    // the damping, would turn negative); 0.995 pi leaves 44.1 kHz (3.1152 rad) untouched.
    static constexpr float kMaxBandPassAngle = 3.1258846f; // 0.995 pi
    // Smallest argument of either; the formulas never go below it for cutoffs of 0 and up.
    static constexpr float kMinArgument = 0.001f;
    // A section whose coefficients host automation switches every few frames can pump
    // energy into itself and grow without bound, although every single coefficient set is
    // stable. An output beyond this (+24 dBFS, or not a number) is taken as such a runaway:
    // the section's state is cleared and it restarts from silence. A stable section fed a
    // sample's levels stays far below it, so normal renders never take this path.
    static constexpr float kRunawayLevel = 15.85f;

    struct Coefficients {
        float a0 = 0.0f, a1 = 0.0f, a2 = 0.0f;
        float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    };

    // Filter type of a slot's filter mode (0 none, 1 low-pass, 2 band-pass, 3 high-pass).
    static int typeForMode(int filterMode) noexcept;

    // Coefficients for cutoff c and resonance r (both 0..1) at rate fs. Resonance outside
    // 0..1 (possible through host automation) is clamped so the damping stays positive.
    static Coefficients compute(int type, float c, float r, float fs) noexcept;

    // A changed rate forces the next setCoefficients to recompute.
    void setSampleRate(float rate) noexcept {
        if (rate != sampleRate) {
            sampleRate = rate;
            lastType = -1;
        }
    }

    void setType(int t) noexcept {
        if (t == type) {
            return;
        }
        type = t;
        lastType = -1;
        recompute();
    }

    void setCoefficients(float cutoff, float resonance) noexcept {
        if (cutoff == lastCutoff && resonance == lastRes && lastType == type) {
            return;
        }
        lastCutoff = cutoff;
        lastRes = resonance;
        lastType = type;
        recompute();
    }

    // One input, one output; the band-pass output is doubled. Without a type the input
    // passes unchanged.
    float process(float x) noexcept {
        if (type == kNone) {
            return x;
        }
        x1 = flushDenormal(x1);
        x2 = flushDenormal(x2);
        y1 = flushDenormal(y1);
        y2 = flushDenormal(y2);
        return step(x);
    }

    // process() for a filter whose state is known to be flushed (every state value was
    // stored by step() or passed through flushState()): only the input and the output need
    // flushing then, which keeps the feedback path short. Same results as process().
    float step(float x) noexcept {
        x = flushDenormal(x);
        const float y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
        const float out = type == kBandPass ? y * 2.0f : y;
        if (!(std::fabs(out) <= kRunawayLevel)) {
            x1 = x2 = y1 = y2 = 0.0f;
            return 0.0f;
        }
        y2 = y1;
        x2 = x1;
        x1 = x;
        if (flushDenormal(y) == 0.0f) {
            y1 = 0.0f;
            // Flushing only the newest output lets a resonant section circle for ever just
            // above the denormal range (the dropped value kicks the older one back up). Once
            // the output has died out and the last two inputs were silent, the section is
            // silent: clearing the older output as well lets it settle at exactly 0.
            if (x1 == 0.0f && x2 == 0.0f) {
                y2 = 0.0f;
            }
        } else {
            y1 = y;
        }
        return out;
    }

    void flushState() noexcept {
        x1 = flushDenormal(x1);
        x2 = flushDenormal(x2);
        y1 = flushDenormal(y1);
        y2 = flushDenormal(y2);
    }

    float sampleRate = 44100.0f;
    int lastType = -1;
    int type = kNone;
    float lastCutoff = 0.0f;
    float lastRes = 0.0f;
    float a0 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;

private:
    void recompute() noexcept {
        if (type == kNone) {
            return;
        }
        const Coefficients k = compute(type, lastCutoff, lastRes, sampleRate);
        a0 = k.a0;
        a1 = k.a1;
        a2 = k.a2;
        b0 = k.b0;
        b1 = k.b1;
        b2 = k.b2;
    }
};

} // namespace quovent
