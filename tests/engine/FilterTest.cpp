// The voice filter by what it does to a signal: unity at DC for the low-pass and silence
// there for the high-pass, attenuation well past the cutoff, the band-pass peak at the cutoff
// at twice the section's gain, the response at half the rate, resonance raising the response
// around the cutoff, a stable section at every setting (poles inside the unit circle),
// recomputation only on change, exact decay to zero without denormals, and bounded finite
// output at every host rate with the cutoff and resonance at the top, with hostile settings
// and with coefficients switched every frame.
#include "engine/VoiceFilter.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

using namespace quovent;

namespace {

// A cutoff of 1.0, the control's top, in Hz; the cutoff grows in proportion to the control.
constexpr double kTopCutoffHz = 21830.0;
constexpr double kPi = 3.14159265358979323846;
constexpr int kTypes[] = {VoiceFilter::kLowPass, VoiceFilter::kBandPass, VoiceFilter::kHighPass};

VoiceFilter makeFilter(int type, float cutoff, float res, float fs) {
    VoiceFilter f;
    f.setSampleRate(fs);
    f.setType(type);
    f.setCoefficients(cutoff, res);
    return f;
}

double cutoffHz(float cutoff) {
    return cutoff * kTopCutoffHz;
}

// How long the section's start takes to die away to a millionth: its slowest pole's decay.
int settlingSamples(const VoiceFilter& f) {
    const double a1 = f.a1 / f.a0;
    const double a2 = f.a2 / f.a0;
    const double d = a1 * a1 - 4.0 * a2;
    const double radius = d < 0.0 ? std::sqrt(a2) : (std::fabs(a1) + std::sqrt(d)) / 2.0;
    return 64 + static_cast<int>(std::log(1e-6) / std::log(std::min(radius, 0.99999)));
}

// The steady-state gain of a fresh section for a cosine of `hz` (0: a constant, half the
// rate: full scale alternating), as the ratio of output to input RMS once it has settled.
double gainAt(int type, float cutoff, float res, float fs, double hz) {
    VoiceFilter f = makeFilter(type, cutoff, res, fs);
    const int settle = settlingSamples(f);
    constexpr int kMeasure = 8192;
    double in = 0.0;
    double out = 0.0;
    for (int i = 0; i < settle + kMeasure; ++i) {
        const auto x = static_cast<float>(std::cos(2.0 * kPi * hz * i / fs));
        const double y = f.process(x);
        if (i >= settle) {
            in += static_cast<double>(x) * x;
            out += y * y;
        }
    }
    return std::sqrt(out / in);
}

// The largest gain over a 1/48-octave grid from `from` to `to` Hz, and where it lies.
struct Peak {
    double hz = 0.0;
    double gain = 0.0;
};
Peak peakBetween(int type, float cutoff, float res, float fs, double from, double to) {
    Peak p;
    for (double hz = from; hz <= to; hz *= std::exp2(1.0 / 48.0)) {
        const double g = gainAt(type, cutoff, res, fs, hz);
        if (g > p.gain) {
            p = {hz, g};
        }
    }
    return p;
}

std::string describe(int type, float cutoff, float res, float fs) {
    return testing::PrintToString(type) + " c " + testing::PrintToString(cutoff) + " r " +
           testing::PrintToString(res) + " fs " + testing::PrintToString(fs);
}

} // namespace

TEST(Filter, LowPassKeepsDcAndCutsWellAboveTheCutoff) {
    for (const float fs : {44100.0f, 48000.0f, 96000.0f}) {
        for (const float c : {0.05f, 0.2f, 0.5f}) {
            for (const float r : {0.0f, 0.5f, 1.0f}) {
                SCOPED_TRACE(describe(VoiceFilter::kLowPass, c, r, fs));
                const int t = VoiceFilter::kLowPass;
                EXPECT_NEAR(gainAt(t, c, r, fs, 0.0), 1.0, 1e-3);
                if (4.0 * cutoffHz(c) < 0.45 * fs) {
                    EXPECT_LT(gainAt(t, c, r, fs, 4.0 * cutoffHz(c)), 0.12); // -18 dB
                }
                if (8.0 * cutoffHz(c) < 0.45 * fs) {
                    EXPECT_LT(gainAt(t, c, r, fs, 8.0 * cutoffHz(c)), 0.03); // -30 dB
                }
                // Without resonance the slope starts below the cutoff already.
                if (r == 0.0f) {
                    EXPECT_LT(gainAt(t, c, r, fs, cutoffHz(c)), 0.2);
                }
            }
        }
    }
}

TEST(Filter, HighPassSilencesDcAndCutsWellBelowTheCutoff) {
    for (const float fs : {44100.0f, 48000.0f, 96000.0f}) {
        for (const float c : {0.05f, 0.2f, 0.5f}) {
            for (const float r : {0.0f, 0.5f, 1.0f}) {
                SCOPED_TRACE(describe(VoiceFilter::kHighPass, c, r, fs));
                const int t = VoiceFilter::kHighPass;
                EXPECT_LT(gainAt(t, c, r, fs, 0.0), 1e-3);
                EXPECT_LT(gainAt(t, c, r, fs, cutoffHz(c) / 4.0), 0.12); // -18 dB
                EXPECT_LT(gainAt(t, c, r, fs, cutoffHz(c) / 8.0), 0.03); // -30 dB
                if (2.0 * cutoffHz(c) < 0.45 * fs) {
                    EXPECT_GT(gainAt(t, c, r, fs, 2.0 * cutoffHz(c)), 0.9) << "passes above";
                }
            }
        }
    }
}

TEST(Filter, BandPassPeaksAtTheCutoffAtTwiceTheSectionsUnityGain) {
    for (const float fs : {44100.0f, 96000.0f}) {
        for (const float c : {0.05f, 0.2f, 0.5f}) {
            double octaveAway = 10.0;
            for (const float r : {0.0f, 0.5f, 1.0f}) {
                SCOPED_TRACE(describe(VoiceFilter::kBandPass, c, r, fs));
                const int t = VoiceFilter::kBandPass;
                const double fc = cutoffHz(c);
                const Peak p = peakBetween(t, c, r, fs, fc / std::sqrt(2.0),
                                           std::min(std::sqrt(2.0) * fc, 0.45 * fs));
                EXPECT_NEAR(p.hz / fc, 1.0, 0.1);
                EXPECT_NEAR(p.gain, 2.0, 0.03);
                EXPECT_LT(gainAt(t, c, r, fs, 0.0), 1e-3);
                // More resonance, a narrower band: an octave below the cutoff passes less.
                const double below = gainAt(t, c, r, fs, fc / 2.0);
                EXPECT_LT(below, octaveAway);
                octaveAway = below;
            }
            EXPECT_LT(octaveAway, 0.4) << "at full resonance, an octave off is 8 dB down";
        }
    }
}

TEST(Filter, AtHalfTheRateLowAndBandPassAreSilentAndHighPassPassesWhole) {
    for (const float fs : {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        for (const float c : {0.0f, 0.1f, 0.5f, 1.0f}) {
            for (const float r : {0.0f, 0.5f, 1.0f}) {
                SCOPED_TRACE(describe(0, c, r, fs));
                EXPECT_LT(gainAt(VoiceFilter::kLowPass, c, r, fs, fs / 2.0), 1e-3);
                EXPECT_LT(gainAt(VoiceFilter::kBandPass, c, r, fs, fs / 2.0), 1e-3);
                EXPECT_NEAR(gainAt(VoiceFilter::kHighPass, c, r, fs, fs / 2.0), 1.0, 1e-3);
            }
        }
    }
}

TEST(Filter, ResonanceRaisesTheResponseAroundTheCutoff) {
    for (const int t : {VoiceFilter::kLowPass, VoiceFilter::kHighPass}) {
        for (const float c : {0.05f, 0.2f, 0.5f}) {
            const float fs = 44100.0f;
            const double fc = cutoffHz(c);
            double previous = 0.0;
            for (const float r : {0.0f, 0.5f, 1.0f}) {
                SCOPED_TRACE(describe(t, c, r, fs));
                const Peak p =
                    peakBetween(t, c, r, fs, fc / std::sqrt(2.0), std::min(fc * 1.5, 0.45 * fs));
                EXPECT_GT(p.gain, previous);
                if (r == 0.0f) {
                    EXPECT_LT(p.gain, 1.0) << "no peak without resonance";
                }
                if (r == 1.0f) {
                    EXPECT_GT(p.gain, 10.0) << "+20 dB at full resonance";
                    EXPECT_NEAR(p.hz / fc, 1.0, 0.1);
                }
                previous = p.gain;
            }
        }
    }
}

TEST(Filter, EverySettingAndRateGivesPolesInsideTheUnitCircle) {
    // A second-order section is stable when its normalised feedback coefficients lie inside
    // the stability triangle: |a2| < 1 and |a1| < 1 + a2.
    const float rates[] = {0.0f,     1000.0f,  8000.0f,   22050.0f,  44100.0f,
                           48000.0f, 96000.0f, 192000.0f, 384000.0f, 1.0e9f};
    for (const int type : kTypes) {
        for (const float fs : rates) {
            for (int ci = 0; ci <= 40; ++ci) {
                for (int ri = 0; ri <= 8; ++ri) {
                    const float c = static_cast<float>(ci) / 40.0f;
                    const float r = static_cast<float>(ri) / 8.0f;
                    const VoiceFilter f = makeFilter(type, c, r, fs);
                    const double a1 = f.a1 / f.a0;
                    const double a2 = f.a2 / f.a0;
                    ASSERT_LT(std::fabs(a2), 1.0) << describe(type, c, r, fs);
                    ASSERT_LT(std::fabs(a1), 1.0 + a2) << describe(type, c, r, fs);
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

    // A new type alone recomputes from the stored cutoff and resonance: the section is the
    // one a fresh filter of that type and settings has.
    f.setType(VoiceFilter::kHighPass);
    const VoiceFilter fresh = makeFilter(VoiceFilter::kHighPass, 0.5f, 0.3f, 44100.0f);
    EXPECT_EQ(f.a0, fresh.a0);
    EXPECT_EQ(f.a1, fresh.a1);
    EXPECT_EQ(f.a2, fresh.a2);
    EXPECT_EQ(f.b0, fresh.b0);
    EXPECT_EQ(f.b1, fresh.b1);
    EXPECT_EQ(f.b2, fresh.b2);
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
    // The section its coefficients describe, run here in double precision.
    VoiceFilter f = makeFilter(VoiceFilter::kBandPass, 0.2f, 0.4f, 44100.0f);
    const double a0 = f.a0;
    const double a1 = f.a1;
    const double a2 = f.a2;
    const double b0 = f.b0;
    const double b1 = f.b1;
    const double b2 = f.b2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (int i = 0; i < 2000; ++i) {
        const float x = noise(rng);
        const double y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
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
    for (const int type : kTypes) {
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
    for (const int type : kTypes) {
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
    for (const int type : kTypes) {
        for (const float v : values) {
            for (const float fs : {0.0f, 44100.0f, -44100.0f, NAN, INFINITY}) {
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

TEST(Filter, CoefficientsSwitchedEveryFrameCannotRunAway) {
    // Each coefficient set alone is stable, but a resonant section whose cutoff automation
    // flips between the ends every frame pumps itself up: at 8 kHz it reached infinity within
    // a hundred frames. It restarts from silence instead, and stays within +24 dBFS.
    for (const int type : kTypes) {
        for (const float fs : {8000.0f, 44100.0f, 192000.0f}) {
            VoiceFilter f = makeFilter(type, 0.0f, 1.0f, fs);
            float peak = 0.0f;
            for (int i = 0; i < 20000; ++i) {
                f.setCoefficients(i % 2 == 0 ? 0.0f : 1.0f, 1.0f);
                const float y = f.process((i / 5) % 2 == 0 ? 1.0f : -1.0f);
                ASSERT_TRUE(std::isfinite(y)) << type << " fs " << fs << " frame " << i;
                peak = std::max(peak, std::fabs(y));
            }
            EXPECT_LE(peak, VoiceFilter::kRunawayLevel) << type << " fs " << fs;
        }
    }
}
