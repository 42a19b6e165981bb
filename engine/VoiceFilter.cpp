#include "engine/VoiceFilter.hpp"

#include <cmath>

namespace quovent {

namespace {
// Cutoff 1.0 is about 21830 Hz: pi x 21830 for the prewarped tangent (divided by the rate),
// 2 pi x 21830 for the band-pass centre angle.
constexpr float kTangentScale = 68579.3984375f;
constexpr float kAngleScale = 137158.7913f;

// Clamps into [lo, hi]; NaN (a broken rate or cutoff) goes to lo.
float limit(float x, float lo, float hi) noexcept {
    if (!(x > lo)) {
        return lo;
    }
    return x < hi ? x : hi;
}

float unit(float r) noexcept {
    return limit(r, 0.0f, 1.0f);
}

VoiceFilter::Coefficients lowPass(float c, float r, float fs) noexcept {
    const float w = std::tan(limit(c * kTangentScale / fs + 0.005f, VoiceFilter::kMinArgument,
                                   VoiceFilter::kMaxTangentArgument));
    const float m = w * w;
    const float v = w / (16.0f * r * r + 0.1f);
    VoiceFilter::Coefficients k;
    k.b0 = m;
    k.b1 = 2.0f * m;
    k.b2 = m;
    k.a0 = v + m + 1.0f;
    k.a1 = 2.0f * (m - 1.0f);
    k.a2 = m + 1.0f - v;
    return k;
}

VoiceFilter::Coefficients bandPass(float c, float r, float fs) noexcept {
    const float t = limit(c * kAngleScale / fs + 0.005f, VoiceFilter::kMinArgument,
                          VoiceFilter::kMaxBandPassAngle);
    const float q = (r + 0.03f) * 8.0f;
    const float s = std::sin(t) / q;
    VoiceFilter::Coefficients k;
    k.b0 = s;
    k.b1 = 0.0f;
    k.b2 = -s;
    k.a0 = 1.0f + s;
    k.a1 = -2.0f * std::cos(t);
    k.a2 = 1.0f - s;
    return k;
}

VoiceFilter::Coefficients highPass(float c, float r, float fs) noexcept {
    const float w = std::tan(limit(c * kTangentScale / fs + 0.001f, VoiceFilter::kMinArgument,
                                   VoiceFilter::kMaxTangentArgument));
    const float h = w * w;
    const float f = w * (1.025f - r) * 1.4142f;
    const float g = 1.0f / (h + f + 1.0f);
    VoiceFilter::Coefficients k;
    k.b0 = g;
    k.b1 = -2.0f * g;
    k.b2 = g;
    k.a0 = 1.0f;
    k.a1 = 2.0f * g * (h - 1.0f);
    k.a2 = g * (h + 1.0f - f);
    return k;
}
} // namespace

int VoiceFilter::typeForMode(int filterMode) noexcept {
    switch (filterMode) {
    case 1:
        return kLowPass;
    case 2:
        return kBandPass;
    case 3:
        return kHighPass;
    default:
        return kNone;
    }
}

VoiceFilter::Coefficients VoiceFilter::compute(int type, float c, float r, float fs) noexcept {
    switch (type) {
    case kLowPass:
        return lowPass(c, unit(r), fs);
    case kBandPass:
        return bandPass(c, unit(r), fs);
    case kHighPass:
        return highPass(c, unit(r), fs);
    default:
        return {};
    }
}

} // namespace quovent
