// The voice filter: its coefficients against the formulas worked out here in double
// precision, recomputation only on change, exact decay to zero, the doubled band-pass and
// stability at every host rate with the cutoff and resonance at the top.
#include "engine/VoiceFilter.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace quovent;

namespace {

struct Biquad {
    double a0, a1, a2, b0, b1, b2;
};

// The section's formulas, straight from the design, in double.
Biquad expected(int type, double c, double r, double fs) {
    if (type == VoiceFilter::kLowPass) {
        const double w = std::tan(c * 68579.3984375 / fs + 0.005);
        const double m = w * w;
        const double v = w / (16.0 * r * r + 0.1);
        return {v + m + 1.0, 2.0 * (m - 1.0), m + 1.0 - v, m, 2.0 * m, m};
    }
    if (type == VoiceFilter::kBandPass) {
        const double t = c * 137158.7913 / fs + 0.005;
        const double s = std::sin(t) / ((r + 0.03) * 8.0);
        return {1.0 + s, -2.0 * std::cos(t), 1.0 - s, s, 0.0, -s};
    }
    const double w = std::tan(c * 68579.3984375 / fs + 0.001);
    const double h = w * w;
    const double f = w * (1.025 - r) * 1.4142;
    const double g = 1.0 / (h + f + 1.0);
    return {1.0, 2.0 * g * (h - 1.0), g * (h + 1.0 - f), g, -2.0 * g, g};
}

void expectCoefficients(const VoiceFilter& f, const Biquad& e) {
    // Compared after normalising by a0, as the section uses them.
    const double tol = 2e-5;
    EXPECT_NEAR(f.a1 / f.a0, e.a1 / e.a0, tol);
    EXPECT_NEAR(f.a2 / f.a0, e.a2 / e.a0, tol);
    EXPECT_NEAR(f.b0 / f.a0, e.b0 / e.a0, tol);
    EXPECT_NEAR(f.b1 / f.a0, e.b1 / e.a0, tol);
    EXPECT_NEAR(f.b2 / f.a0, e.b2 / e.a0, tol);
}

VoiceFilter makeFilter(int type, float cutoff, float res, float fs) {
    VoiceFilter f;
    f.setSampleRate(fs);
    f.setType(type);
    f.setCoefficients(cutoff, res);
    return f;
}

} // namespace

TEST(Filter, CoefficientsFollowTheFormulas) {
    const int types[] = {VoiceFilter::kLowPass, VoiceFilter::kBandPass, VoiceFilter::kHighPass};
    const float cutoffs[] = {0.0f, 0.04f, 0.3f, 0.81f, 1.0f};
    const float resonances[] = {0.0f, 0.5f, 1.0f};
    for (const int type : types) {
        for (const float fs : {44100.0f, 48000.0f, 96000.0f}) {
            for (const float c : cutoffs) {
                for (const float r : resonances) {
                    SCOPED_TRACE(testing::Message()
                                 << type << " fs " << fs << " c " << c << " r " << r);
                    expectCoefficients(makeFilter(type, c, r, fs), expected(type, c, r, fs));
                }
            }
        }
    }
}

TEST(Filter, RecomputesOnlyWhenTypeCutoffOrResonanceChange) {
    VoiceFilter f = makeFilter(VoiceFilter::kLowPass, 0.5f, 0.25f, 44100.0f);
    const float sentinel = 12345.0f;
    f.a0 = sentinel;
    f.setCoefficients(0.5f, 0.25f);
    f.setType(VoiceFilter::kLowPass);
    EXPECT_EQ(f.a0, sentinel);

    f.setCoefficients(0.5f, 0.3f);
    EXPECT_NE(f.a0, sentinel);

    // A new type alone recomputes from the stored cutoff and resonance.
    f.setType(VoiceFilter::kHighPass);
    expectCoefficients(f, expected(VoiceFilter::kHighPass, 0.5, 0.3, 44100.0));
    // ... and the next setCoefficients recomputes once more even with the same values.
    f.a0 = sentinel;
    f.setCoefficients(0.5f, 0.3f);
    EXPECT_NE(f.a0, sentinel);
    f.a0 = sentinel;
    f.setCoefficients(0.5f, 0.3f);
    EXPECT_EQ(f.a0, sentinel);
}

TEST(Filter, NoTypeLeavesTheSignalUntouched) {
    VoiceFilter f;
    f.setCoefficients(0.3f, 0.7f);
    for (const float x : {0.25f, -1.0f, 3.5f, 1e-40f}) {
        EXPECT_EQ(f.process(x), x);
    }
}

TEST(Filter, BandPassOutputIsTwiceTheSection) {
    VoiceFilter f = makeFilter(VoiceFilter::kBandPass, 0.2f, 0.4f, 44100.0f);
    const Biquad e = expected(VoiceFilter::kBandPass, 0.2, 0.4, 44100.0);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (int i = 0; i < 2000; ++i) {
        const float x = noise(rng);
        const double y = (e.b0 * x + e.b1 * x1 + e.b2 * x2 - e.a1 * y1 - e.a2 * y2) / e.a0;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        ASSERT_NEAR(f.process(x), 2.0 * y, 1e-3) << i;
    }
}

TEST(Filter, SilenceDecaysToExactlyZeroWithoutDenormals) {
    // Without the audio thread's flush-to-zero mode: the section's own flushing keeps its state
    // free of denormals until it is exactly zero.
    for (const int type : {VoiceFilter::kLowPass, VoiceFilter::kBandPass, VoiceFilter::kHighPass}) {
        VoiceFilter f = makeFilter(type, 0.3f, 0.9f, 44100.0f);
        f.process(1.0f);
        bool reachedZero = false;
        for (int i = 0; i < 400000 && !reachedZero; ++i) {
            f.process(0.0f); // the output itself is passed on unflushed
            for (const float state : {f.x1, f.x2, f.y1, f.y2}) {
                ASSERT_NE(std::fpclassify(state), FP_SUBNORMAL) << type << " at " << i;
            }
            reachedZero = f.x1 == 0.0f && f.x2 == 0.0f && f.y1 == 0.0f && f.y2 == 0.0f;
        }
        EXPECT_TRUE(reachedZero) << type;
        EXPECT_EQ(f.process(0.0f), 0.0f);
    }
    // Denormal state and input count as 0.
    VoiceFilter f = makeFilter(VoiceFilter::kLowPass, 0.3f, 0.5f, 44100.0f);
    f.y1 = 1e-40f;
    f.x1 = -1e-41f;
    EXPECT_EQ(f.process(1e-39f), 0.0f);
}

TEST(Filter, StaysBoundedAtEveryHostRateWithCutoffAndResonanceAtTheTop) {
    const float rates[] = {8000.0f,  11025.0f, 22050.0f, 32000.0f,  43000.0f, 44100.0f,
                           48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f};
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (const int type : {VoiceFilter::kLowPass, VoiceFilter::kBandPass, VoiceFilter::kHighPass}) {
        for (const float fs : rates) {
            for (const float r : {0.0f, 1.0f}) {
                VoiceFilter f = makeFilter(type, 1.0f, r, fs);
                float peak = 0.0f;
                for (int i = 0; i < 20000; ++i) {
                    // Noise, then a full-scale tone at half the rate, where a section at the
                    // edge of stability rings hardest.
                    const float x = i < 10000 ? noise(rng) : (i % 2 == 0 ? 1.0f : -1.0f);
                    const float y = f.process(x);
                    ASSERT_TRUE(std::isfinite(y)) << type << " fs " << fs << " r " << r;
                    peak = std::max(peak, std::fabs(y));
                }
                EXPECT_LT(peak, 200.0f) << type << " fs " << fs << " r " << r;
            }
        }
    }
}

TEST(Filter, HostileSettingsGiveAStableSection) {
    // Resonance and cutoff outside 0..1 (host automation can send anything), a zero rate.
    const float values[] = {-5.0f, 7.0f, NAN, INFINITY};
    for (const int type : {VoiceFilter::kLowPass, VoiceFilter::kBandPass, VoiceFilter::kHighPass}) {
        for (const float v : values) {
            for (const float fs : {0.0f, 44100.0f}) {
                VoiceFilter f = makeFilter(type, v, v, fs);
                float y = 0.0f;
                for (int i = 0; i < 5000; ++i) {
                    y = f.process(i % 7 == 0 ? 1.0f : -0.5f);
                }
                EXPECT_TRUE(std::isfinite(y)) << type << " value " << v << " fs " << fs;
            }
        }
    }
}
