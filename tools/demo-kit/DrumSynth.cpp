#include "tools/demo-kit/DrumSynth.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace quovent::demokit {

namespace {

constexpr double kPi = 3.14159265358979323846;

// White noise from a 32-bit xorshift generator, -1..1; seeded so every run is identical.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state_;
};

// A second-order section after the well-known audio cookbook formulas, direct form I.
class Biquad {
public:
    enum class Kind { LowPass, HighPass, BandPass };

    Biquad(Kind kind, double hz, double q, double rate) {
        const double w = 2.0 * kPi * hz / rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        double b0 = 0.0;
        double b1 = 0.0;
        double b2 = 0.0;
        switch (kind) {
        case Kind::LowPass:
            b0 = (1.0 - c) / 2.0;
            b1 = 1.0 - c;
            b2 = b0;
            break;
        case Kind::HighPass:
            b0 = (1.0 + c) / 2.0;
            b1 = -(1.0 + c);
            b2 = b0;
            break;
        case Kind::BandPass: // constant 0 dB peak gain
            b0 = alpha;
            b2 = -alpha;
            break;
        }
        const double a0 = 1.0 + alpha;
        b0_ = b0 / a0;
        b1_ = b1 / a0;
        b2_ = b2 / a0;
        a1_ = -2.0 * c / a0;
        a2_ = (1.0 - alpha) / a0;
    }

    double operator()(double x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0.0, x2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
};

double decay(double t, double tau) {
    return std::exp(-t / tau);
}

double square(double phase) {
    return std::sin(phase) >= 0.0 ? 1.0 : -1.0;
}

Sound blank(const char* name, double seconds, int rate = 44100, int bits = 16) {
    Sound s;
    s.name = name;
    s.sampleRate = rate;
    s.bits = bits;
    s.left.assign(static_cast<std::size_t>(seconds * rate), 0.0f);
    return s;
}

// The cluster of six detuned square waves that gives hats and the cowbell their metal.
class Metal {
public:
    explicit Metal(double rate) : rate_(rate) {}
    double next() {
        static constexpr std::array<double, 6> kHz{205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
        double sum = 0.0;
        for (std::size_t i = 0; i < kHz.size(); ++i) {
            phase_[i] += 2.0 * kPi * kHz[i] * 2.0 / rate_;
            sum += square(phase_[i]);
        }
        return sum / 6.0;
    }

private:
    double rate_;
    std::array<double, 6> phase_{0.1, 0.7, 1.3, 2.1, 2.9, 3.7};
};

} // namespace

Sound DrumSynth::kick() {
    Sound s = blank("kick", 0.55);
    const double rate = s.sampleRate;
    Noise noise(0x1234567u);
    Biquad clickTone(Biquad::Kind::LowPass, 3000.0, 0.7, rate);
    double phase = 0.0;
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double hz = 46.0 + 115.0 * decay(t, 0.035); // the pitch drop gives the punch
        phase += 2.0 * kPi * hz / rate;
        const double body = std::sin(phase) * decay(t, 0.2);
        const double click = clickTone(noise.next()) * decay(t, 0.004) * 0.6;
        s.left[i] = static_cast<float>(std::tanh(1.6 * (body + click)));
    }
    finish(s, 0.002, 0.03);
    return s;
}

Sound DrumSynth::snare() {
    Sound s = blank("snare", 0.35);
    const double rate = s.sampleRate;
    Noise noise(0x51A2E5u);
    Biquad bright(Biquad::Kind::HighPass, 1800.0, 0.7, rate);
    Biquad soft(Biquad::Kind::LowPass, 9000.0, 0.7, rate);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double tone = 0.6 * std::sin(2.0 * kPi * 185.0 * t) * decay(t, 0.06) +
                            0.35 * std::sin(2.0 * kPi * 330.0 * t) * decay(t, 0.04);
        const double rattle = soft(bright(noise.next())) * decay(t, 0.085);
        s.left[i] = static_cast<float>(0.8 * tone + 1.1 * rattle);
    }
    finish(s, 0.001, 0.03);
    return s;
}

Sound DrumSynth::hat(const char* name, double seconds, double tau, int bits) {
    Sound s = blank(name, seconds, 44100, bits);
    const double rate = s.sampleRate;
    Metal metal(rate);
    Noise noise(0xA7A7u);
    Biquad band(Biquad::Kind::BandPass, 9000.0, 0.9, rate);
    Biquad air(Biquad::Kind::HighPass, 6500.0, 0.7, rate);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double source = air(band(metal.next() + 0.5 * noise.next()));
        s.left[i] = static_cast<float>(source * decay(t, tau));
    }
    finish(s, 0.0005, std::min(0.05, seconds * 0.3));
    return s;
}

Sound DrumSynth::clap() {
    Sound s = blank("clap", 0.4);
    s.right.assign(s.left.size(), 0.0f);
    const double rate = s.sampleRate;
    // Four quick hand hits, then the room's tail; the two sides use different noise so
    // the clap is wide.
    static constexpr std::array<double, 4> kHits{0.0, 0.011, 0.021, 0.032};
    const auto envelope = [](double t) {
        double e = 0.0;
        for (std::size_t h = 0; h + 1 < kHits.size(); ++h) {
            if (t >= kHits[h]) {
                e = std::max(e, decay(t - kHits[h], 0.004));
            }
        }
        const double last = kHits.back();
        return t >= last ? std::max(e, decay(t - last, 0.11)) : e;
    };
    for (int side = 0; side < 2; ++side) {
        Noise noise(side == 0 ? 0xC1A9u : 0xC1AAu);
        Biquad band(Biquad::Kind::BandPass, 1150.0, 1.6, rate);
        Biquad sheen(Biquad::Kind::HighPass, 500.0, 0.7, rate);
        std::vector<float>& out = side == 0 ? s.left : s.right;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double t = static_cast<double>(i) / rate;
            out[i] = static_cast<float>(sheen(band(noise.next())) * envelope(t));
        }
    }
    finish(s, 0.0005, 0.04);
    return s;
}

Sound DrumSynth::tom() {
    Sound s = blank("tom", 0.5);
    const double rate = s.sampleRate;
    Noise noise(0x7077u);
    Biquad stick(Biquad::Kind::LowPass, 4000.0, 0.7, rate);
    double phase = 0.0;
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double hz = 105.0 + 70.0 * decay(t, 0.08);
        phase += 2.0 * kPi * hz / rate;
        const double body = std::sin(phase) * decay(t, 0.19);
        s.left[i] = static_cast<float>(body + 0.25 * stick(noise.next()) * decay(t, 0.01));
    }
    finish(s, 0.001, 0.05);
    return s;
}

Sound DrumSynth::rim() {
    Sound s = blank("rim", 0.1);
    const double rate = s.sampleRate;
    Noise noise(0x41Bu);
    Biquad knock(Biquad::Kind::BandPass, 3200.0, 1.2, rate);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double wood = std::sin(2.0 * kPi * 480.0 * t) * decay(t, 0.015) +
                            0.5 * std::sin(2.0 * kPi * 1710.0 * t) * decay(t, 0.008);
        s.left[i] = static_cast<float>(wood + 0.6 * knock(noise.next()) * decay(t, 0.003));
    }
    finish(s, 0.0005, 0.02);
    return s;
}

Sound DrumSynth::cowbell() {
    // At 48 kHz and 24 bits, so the kit also exercises a foreign rate and a deeper format.
    Sound s = blank("cowbell", 0.4, 48000, 24);
    const double rate = s.sampleRate;
    Biquad body(Biquad::Kind::BandPass, 2640.0, 1.4, rate);
    Biquad low(Biquad::Kind::BandPass, 800.0, 2.0, rate);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double source =
            0.5 * square(2.0 * kPi * 587.0 * t + 0.3) + 0.5 * square(2.0 * kPi * 845.0 * t + 1.1);
        const double env = 0.6 * decay(t, 0.018) + 0.4 * decay(t, 0.14);
        s.left[i] = static_cast<float>((body(source) + 0.5 * low(source)) * env);
    }
    finish(s, 0.0005, 0.05);
    return s;
}

void DrumSynth::finish(Sound& s, double fadeInSeconds, double fadeOutSeconds) {
    const std::size_t n = s.left.size();
    const auto fadeIn = static_cast<std::size_t>(fadeInSeconds * s.sampleRate);
    const auto fadeOut = static_cast<std::size_t>(fadeOutSeconds * s.sampleRate);
    float peak = 0.0f;
    for (std::vector<float>* channel : {&s.left, &s.right}) {
        if (channel->empty()) {
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) {
            double g = 1.0;
            if (i < fadeIn) {
                g *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / fadeIn);
            }
            const std::size_t fromEnd = n - 1 - i;
            if (fromEnd < fadeOut) {
                g *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(fromEnd) / fadeOut);
            }
            (*channel)[i] = static_cast<float>((*channel)[i] * g);
            peak = std::max(peak, std::abs((*channel)[i]));
        }
    }
    const float target = std::pow(10.0f, kPeakDb / 20.0f);
    for (std::vector<float>* channel : {&s.left, &s.right}) {
        for (float& v : *channel) {
            v *= target / peak;
        }
    }
}

std::vector<Sound> DrumSynth::kit() {
    std::vector<Sound> sounds;
    sounds.push_back(kick());
    sounds.push_back(snare());
    sounds.push_back(hat("closed-hat", 0.12, 0.025, 16));
    sounds.push_back(hat("open-hat", 0.6, 0.17, 24));
    sounds.push_back(clap());
    sounds.push_back(tom());
    sounds.push_back(rim());
    sounds.push_back(cowbell());
    return sounds;
}

} // namespace quovent::demokit
