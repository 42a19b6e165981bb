// Keeps denormal numbers out of the audio path. The guard switches the FPU to
// flush-to-zero and denormals-are-zero for the lifetime of one rendered block and restores
// the caller's mode afterwards, so a host that relies on IEEE behaviour on the same thread is
// not disturbed. flushDenormal() is the explicit flush the filter and the gain smoothing
// apply as well, which also holds where the mode cannot be switched.
#pragma once

#include <cmath>
#include <limits>

namespace quovent {

class DenormalGuard {
public:
    DenormalGuard() noexcept;
    ~DenormalGuard();
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    [[maybe_unused]] unsigned int saved_ = 0; // the caller's MXCSR (x86 only)
};

// A float whose exponent bits are all zero (zero or denormal) becomes +0. Written as a
// magnitude test rather than a bit test: both agree for every value, including NaN, but the
// comparison stays in the vector unit and costs less on the filter's feedback path.
inline float flushDenormal(float x) noexcept {
    return std::fabs(x) < std::numeric_limits<float>::min() ? 0.0f : x;
}

// flushDenormal, and a value that is not finite (NaN, an infinity) becomes +0 as well. For
// running state that must recover from one bad value instead of carrying it on for the
// rest of the voice (the smoothed gains).
inline float flushAbnormal(float x) noexcept {
    const float m = std::fabs(x);
    return m >= std::numeric_limits<float>::min() && m <= std::numeric_limits<float>::max() ? x
                                                                                            : 0.0f;
}

} // namespace quovent
