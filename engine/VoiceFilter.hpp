// The per-channel filter of a voice: one second-order recursive section (low-pass,
// band-pass or high-pass) whose coefficients are recomputed only when its inputs change.
// Audio thread only.
#pragma once

namespace quovent {

class VoiceFilter {
public:
    static constexpr int kNone = 0;
    static constexpr int kHighPass = 7;
    static constexpr int kLowPass = 8;
    static constexpr int kBandPass = 9;

    // Filter type of a slot's filter mode (0 none, 1 low-pass, 2 band-pass, 3 high-pass).
    static int typeForMode(int filterMode) noexcept;

    void setSampleRate(float rate) noexcept { sampleRate = rate; }
    void setType(int t) noexcept;
    void setCoefficients(float cutoff, float resonance) noexcept;
    float process(float x) noexcept;

    float sampleRate = 44100.0f;
    int lastType = -1;
    int type = kNone;
    float lastCutoff = 0.0f;
    float lastRes = 0.0f;
    float a0 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;

private:
    void computeCoefficients() noexcept;
};

} // namespace quovent
