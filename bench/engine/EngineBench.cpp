// Rendering cost per voice and output frame, and how many times faster than real time one
// core renders the load at 44.1 kHz:
//   PatternVoices: one pattern on all eight slots, every step on, every slot filtered.
//   NoteVoices: a full pool of 128 note voices, every slot band-pass filtered.
// Counters: s_per_voice_frame (lower is better) and realtime_factor (audio seconds
// rendered per second of processor time).
#include "engine/Sequencer.hpp"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

using namespace quovent;

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

struct Bench {
    Bench() : seq(std::make_unique<Sequencer>()) {
        for (auto& o : out) {
            o.assign(kBlock, 0.0f);
        }
        for (int i = 0; i < 12; ++i) {
            ptrs[i] = out[i].data();
        }
    }

    void fill(int slot, int frames, int filterMode) {
        Slot& s = seq->slots().slot(slot);
        for (int i = 0; i < frames; ++i) {
            const float v = static_cast<float>(std::sin(0.01 * i * (slot + 1)));
            s.sample.setFrame(i, v, -v);
        }
        s.sample.setFrameCount(frames);
        s.sample.setSampleRate(44100);
        s.filterMode = filterMode;
        s.freq = 0.6f;
        s.res = 0.5f;
        s.pan = 0.3f + 0.05f * slot;
    }

    void render() {
        seq->renderBlock(ptrs.data(), kBlock, 120.0f, kRate);
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
    }

    std::unique_ptr<Sequencer> seq;
    std::array<std::vector<float>, 12> out;
    std::array<float*, 12> ptrs{};
};

void report(benchmark::State& state, int voices) {
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    // The inverted rate is processor seconds per voice-frame, printed with an SI prefix
    // ("4.2n" is 4.2 ns).
    state.counters["s_per_voice_frame"] = benchmark::Counter(
        frames * voices, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_factor"] =
        benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

void PatternVoices(benchmark::State& state) {
    Bench b;
    for (int s = 0; s < 8; ++s) {
        b.fill(s, 30000, 1 + s % 3);
        for (int i = 0; i < 16; ++i) {
            b.seq->patterns().row(0, s).setStep(i, true);
            b.seq->patterns().row(0, s).setLane(i % 5, i, (i % 7) / 6.0f);
        }
    }
    b.seq->shuffleAmount = 0.3f;
    b.seq->midiEvent(0, 0x9E, 60, 127);
    for (auto _ : state) {
        b.render();
    }
    report(state, 8);
}

void NoteVoices(benchmark::State& state) {
    Bench b;
    for (int s = 0; s < 8; ++s) {
        b.fill(s, SampleBuffer::kCapacity, 2);
    }
    auto start = [&b] {
        for (int v = 0; v < VoicePool::kCapacity; ++v) {
            b.seq->midiEvent(0, static_cast<std::uint8_t>(0x90 | (v % 8)),
                             static_cast<std::uint8_t>(48 + v / 8), 100);
        }
    };
    start();
    for (auto _ : state) {
        b.render();
        if (b.seq->liveVoices < VoicePool::kCapacity) { // samples ran out: start anew
            state.PauseTiming();
            b.seq->midiEvent(0, 0xB0, 123, 0);
            while (b.seq->liveVoices > 0) {
                b.render();
            }
            start();
            state.ResumeTiming();
        }
    }
    report(state, VoicePool::kCapacity);
}

} // namespace

BENCHMARK(PatternVoices)->MinTime(1.0);
BENCHMARK(NoteVoices)->MinTime(1.0);
