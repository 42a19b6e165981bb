// Rendering cost per voice and output frame, and how many times faster than real time one
// core renders the load at 44.1 kHz:
//   PatternVoices: one pattern on all eight slots, every step on, every slot filtered.
//   NoteVoices/0, /1: a full pool of 128 note voices, every slot band-pass filtered, the
//   samples kept as floats (/0) or as 16-bit values (/1).
// Counters: s_per_voice_frame (lower is better) and realtime_factor (audio seconds
// rendered per second of processor time).
#include "engine/Sequencer.hpp"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
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

    // A sine, kept as floats or (sixteen) as 16-bit values, as a file of that depth is.
    void fill(int slot, int frames, int filterMode, bool sixteen = false) {
        Slot& s = seq->slots().slot(slot);
        s.sample.beginLoad(sixteen ? SampleBuffer::Storage::Pcm16 : SampleBuffer::Storage::Float,
                           false);
        for (int i = 0; i < frames; ++i) {
            const double v = std::sin(0.01 * i * (slot + 1));
            if (sixteen) {
                const auto q = static_cast<std::int16_t>(v * 30000.0);
                s.sample.setFrame16(i, q, static_cast<std::int16_t>(-q));
            } else {
                s.sample.setFrame(i, static_cast<float>(v), static_cast<float>(-v));
            }
        }
        s.sample.finishLoad(frames, frames);
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

// Argument 1: the samples are kept as 16-bit values (as 16-bit files are), 0: as floats.
void NoteVoices(benchmark::State& state) {
    Bench b;
    for (int s = 0; s < 8; ++s) {
        b.fill(s, SampleBuffer::kCapacity, 2, state.range(0) != 0);
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
BENCHMARK(NoteVoices)->Arg(0)->Arg(1)->MinTime(1.0);
