// Test support: a sequencer with twelve output buffers, samples made to order and a way to
// render a stretch of time in blocks of any size with MIDI at absolute frame times.
#pragma once

#include "engine/Sequencer.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

namespace quovent::test {

struct MidiAt {
    long frame; // absolute frame the event belongs to
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
};

inline MidiAt noteOnAt(long frame, int channel, int note, int velocity = 127) {
    return {frame, static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(note),
            static_cast<std::uint8_t>(velocity)};
}
inline MidiAt noteOffAt(long frame, int channel, int note) {
    return {frame, static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(note), 0};
}

// Fills a slot's sample: frames values from fn(i) -> {left, right}, at the given rate.
inline void fillSample(Slot& slot, int frames, std::uint32_t rate,
                       const std::function<std::array<float, 2>(int)>& fn) {
    for (int i = 0; i < frames; ++i) {
        const auto v = fn(i);
        slot.sample.setFrame(i, v[0], v[1]);
    }
    slot.sample.setFrameCount(frames);
    slot.sample.setSampleRate(rate);
}

inline void fillConstant(Slot& slot, int frames, float value = 1.0f, std::uint32_t rate = 44100) {
    fillSample(slot, frames, rate, [value](int) { return std::array<float, 2>{value, value}; });
}

// Left is a ramp (frame i holds i / 1024), right is 1.0: left / right of the output is the
// playback position in frames whatever the gains are.
inline void fillRamp(Slot& slot, int frames, std::uint32_t rate = 44100) {
    fillSample(slot, frames, rate, [](int i) {
        return std::array<float, 2>{static_cast<float>(i) / 1024.0f, 1.0f};
    });
}

inline void fillSine(Slot& slot, int frames, double hz, std::uint32_t rate = 44100) {
    fillSample(slot, frames, rate, [hz, rate](int i) {
        const float v = static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * i / rate));
        return std::array<float, 2>{v, v};
    });
}

// A sine kept as 16-bit values, as a 16-bit file is (mono: one channel both sides read).
inline void fillSine16(Slot& slot, int frames, double hz, bool mono, std::uint32_t rate = 44100) {
    slot.sample.setFrameCount(frames);
    slot.sample.beginLoad(SampleBuffer::Storage::Pcm16, mono);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(30000.0 * std::sin(2.0 * std::numbers::pi * hz * i / rate)));
        slot.sample.setFrame16(i, v, static_cast<std::int16_t>(-v));
    }
    slot.sample.finishLoad(frames, frames);
    slot.sample.setSampleRate(rate);
}

class Harness {
public:
    static constexpr int kOutputs = 12;

    explicit Harness(long frames) : sequencer(std::make_unique<Sequencer>()), frames_(frames) {
        for (auto& o : out) {
            o.assign(static_cast<std::size_t>(frames), 0.0f);
        }
    }

    Sequencer& seq() const { return *sequencer; }
    Slot& slot(int i) { return sequencer->slots().slot(i); }
    PatternRow& row(int pattern, int slot) { return sequencer->patterns().row(pattern, slot); }

    // Renders frames [from, to) in blocks of blockSize; events whose frame falls into a
    // block are delivered before it with their offset as delta.
    void render(long from, long to, int blockSize, const std::vector<MidiAt>& events = {},
                float tempo = 0.0f, float rate = 44100.0f) {
        std::array<float*, kOutputs> ptrs{};
        for (long b = from; b < to; b += blockSize) {
            const long n = std::min<long>(blockSize, to - b);
            for (const MidiAt& e : events) {
                if (e.frame >= b && e.frame < b + n) {
                    sequencer->midiEvent(static_cast<int>(e.frame - b), e.status, e.data1, e.data2);
                }
            }
            for (int i = 0; i < kOutputs; ++i) {
                ptrs[i] = out[i].data() + b;
            }
            sequencer->renderBlock(ptrs.data(), static_cast<int>(n), tempo, rate);
        }
    }

    // Whole buffer from the start.
    void renderAll(int blockSize, const std::vector<MidiAt>& events = {}, float tempo = 0.0f,
                   float rate = 44100.0f) {
        render(0, frames_, blockSize, events, tempo, rate);
    }

    double energy(int output, long from, long to) const {
        double e = 0.0;
        for (long k = from; k < to; ++k) {
            e += static_cast<double>(out[output][k]) * out[output][k];
        }
        return e;
    }

    std::unique_ptr<Sequencer> sequencer;
    std::array<std::vector<float>, kOutputs> out;

private:
    long frames_;
};

} // namespace quovent::test
