// Rendering cost per voice and output frame, and how many times faster than real time one
// core renders the load at 44.1 kHz:
//   PatternVoices: one pattern on all eight slots, every step on, every slot filtered.
//   NoteVoices/0, /1: a full pool of 128 note voices, every slot band-pass filtered, the
//   samples kept as floats (/0) or as 16-bit values (/1).
// Counters: s_per_voice_frame (lower is better) and realtime_factor (audio seconds
// rendered per second of processor time).
//
// The machine is shared, so absolute times wander; the ratios are measured side by side,
// block for block alternating, and are what to compare:
//   NoteVsReference/0/0, /1/0: the full pool through the engine with the widest kernel
//     against the same voices in a plain scalar loop (PlainNoteVoices.hpp says what it does
//     per frame; it is checked to give the engine's samples first): reference_ratio is
//     reference time / engine time. /0/1, /1/1: the four-lane (SSE2) kernel instead.
//   PatternVsNote: pattern_ratio is a pattern voice-frame's time / a note voice-frame's.
#include "PlainNoteVoices.hpp"

#include "engine/NoteVoiceGroup.hpp"
#include "engine/Sequencer.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

using namespace quovent;

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

// Twelve output buffers of one block, as a host gives them.
struct Outputs {
    Outputs() {
        for (int i = 0; i < 12; ++i) {
            out[i].assign(kBlock, 0.0f);
            ptrs[i] = out[i].data();
        }
    }
    void clear() {
        for (auto& o : out) {
            std::fill(o.begin(), o.end(), 0.0f);
        }
    }
    bool sameBits(const Outputs& other) const {
        for (std::size_t o = 0; o < out.size(); ++o) {
            for (int k = 0; k < kBlock; ++k) {
                if (std::bit_cast<std::uint32_t>(out[o][k]) !=
                    std::bit_cast<std::uint32_t>(other.out[o][k])) {
                    return false;
                }
            }
        }
        return true;
    }

    std::array<std::vector<float>, 12> out;
    std::array<float*, 12> ptrs{};
};

struct Bench {
    Bench() : seq(std::make_unique<Sequencer>()) {}

    // A sine, kept as floats or (sixteen) as 16-bit values, as a file of that depth is. The
    // frames go into samples[slot] as well, for the plain reference loop.
    void fill(int slot, int frames, int filterMode, bool sixteen = false) {
        Slot& s = seq->slots().slot(slot);
        s.sample.beginLoad(sixteen ? SampleBuffer::Storage::Pcm16 : SampleBuffer::Storage::Float,
                           false);
        bench::PlainNoteVoices::Sample& plain = samples[static_cast<std::size_t>(slot)];
        plain = {};
        // One zero frame behind the last, as the engine's buffers have.
        const auto stored = static_cast<std::size_t>(frames) + 1;
        if (sixteen) {
            plain.left16.resize(stored);
            plain.right16.resize(stored);
        } else {
            plain.left.resize(stored);
            plain.right.resize(stored);
        }
        for (int i = 0; i < frames; ++i) {
            const auto at = static_cast<std::size_t>(i);
            const double v = std::sin(0.01 * i * (slot + 1));
            if (sixteen) {
                const auto q = static_cast<std::int16_t>(v * 30000.0);
                s.sample.setFrame16(i, q, static_cast<std::int16_t>(-q));
                plain.left16[at] = q;
                plain.right16[at] = static_cast<std::int16_t>(-q);
            } else {
                s.sample.setFrame(i, static_cast<float>(v), static_cast<float>(-v));
                plain.left[at] = static_cast<float>(v);
                plain.right[at] = static_cast<float>(-v);
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
        seq->renderBlock(outputs.ptrs.data(), kBlock, 120.0f, kRate);
        benchmark::DoNotOptimize(outputs.out[0].data());
        benchmark::ClobberMemory();
    }

    std::unique_ptr<Sequencer> seq;
    Outputs outputs;
    std::array<bench::PlainNoteVoices::Sample, 8> samples;
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

void setUpPattern(Bench& b) {
    for (int s = 0; s < 8; ++s) {
        b.fill(s, 30000, 1 + s % 3);
        for (int i = 0; i < 16; ++i) {
            b.seq->patterns().row(0, s).setStep(i, true);
            b.seq->patterns().row(0, s).setLane(i % 5, i, (i % 7) / 6.0f);
        }
    }
    b.seq->shuffleAmount = 0.3f;
    b.seq->midiEvent(0, 0x9E, 60, 127);
}

void PatternVoices(benchmark::State& state) {
    Bench b;
    setUpPattern(b);
    for (auto _ : state) {
        b.render();
    }
    report(state, 8);
}

// A full pool of note voices that starts anew when its samples run out.
struct NoteLoad {
    explicit NoteLoad(bool sixteen) {
        for (int s = 0; s < 8; ++s) {
            b.fill(s, SampleBuffer::kCapacity, 2, sixteen);
        }
        start();
    }
    void start() {
        for (int v = 0; v < VoicePool::kCapacity; ++v) {
            b.seq->midiEvent(0, static_cast<std::uint8_t>(0x90 | (v % 8)),
                             static_cast<std::uint8_t>(48 + v / 8), 100);
        }
    }
    bool full() const { return b.seq->liveVoices == VoicePool::kCapacity; }
    // After a block that was not a full pool's: the voices left are stopped and the pool
    // starts again.
    void restart() {
        b.seq->midiEvent(0, 0xB0, 123, 0);
        while (b.seq->liveVoices > 0) {
            b.render();
        }
        start();
    }
    // True when the block was a full pool's (a restart's blocks are not).
    bool render() {
        b.render();
        if (!full()) {
            restart();
            return false;
        }
        return true;
    }
    Bench b;
};

// Argument 1: the samples are kept as 16-bit values (as 16-bit files are), 0: as floats.
void NoteVoices(benchmark::State& state) {
    NoteLoad load(state.range(0) != 0);
    for (auto _ : state) {
        if (!load.render()) {
            state.PauseTiming();
            load.render();
            state.ResumeTiming();
        }
    }
    report(state, VoicePool::kCapacity);
}

// Processor time of the process (one thread renders), steadier than wall time on a shared
// machine.
double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Seconds one call of render takes.
template <class F> double timed(F&& render) {
    const double t0 = cpuSeconds();
    render();
    return cpuSeconds() - t0;
}

// Whether the plain loop, started from the pool's voices as they are, gives the engine's
// samples for the next block. The gains must have settled first (the plain loop has no
// smoothing), which a few thousand frames see to.
bool referenceMatches(NoteLoad& load) {
    for (int i = 0; i < 16; ++i) {
        load.b.render();
    }
    Outputs plainOut;
    bench::PlainNoteVoices plain(*load.b.seq, load.b.samples, plainOut.ptrs.data());
    load.b.outputs.clear();
    load.b.render();
    plain.render(kBlock);
    return load.b.outputs.sameBits(plainOut);
}

// Argument 0: 16-bit samples (1) or floats (0); argument 1: the four-lane kernel (1) or the
// widest the processor runs (0).
void NoteVsReference(benchmark::State& state) {
    const bool sixteen = state.range(0) != 0;
    const NoteVoiceGroup::Kernel kernel =
        state.range(1) != 0 ? NoteVoiceGroup::Kernel::Sse2 : NoteVoiceGroup::best();
    NoteVoiceGroup::use(kernel);
    NoteLoad load(sixteen);
    if (!referenceMatches(load)) {
        state.SkipWithError("the plain loop does not give the engine's samples");
        return;
    }
    Outputs plainOut;
    bench::PlainNoteVoices plain(*load.b.seq, load.b.samples, plainOut.ptrs.data());
    double engineSeconds = 0.0;
    double plainSeconds = 0.0;
    for (auto _ : state) {
        engineSeconds += timed([&] { load.b.render(); });
        plainSeconds += timed([&] { plain.render(kBlock); });
        benchmark::DoNotOptimize(plainOut.out[0].data());
        benchmark::ClobberMemory();
        if (!load.full()) {
            load.restart(); // not timed
        }
    }
    const double voiceFrames =
        static_cast<double>(state.iterations()) * kBlock * VoicePool::kCapacity;
    state.counters["ns_kernel"] = 1e9 * engineSeconds / voiceFrames;
    state.counters["ns_reference"] = 1e9 * plainSeconds / voiceFrames;
    state.counters["reference_ratio"] = plainSeconds / engineSeconds;
    state.SetLabel(kernel == NoteVoiceGroup::Kernel::Avx2 ? "avx2" : "sse2");
}

void PatternVsNote(benchmark::State& state) {
    Bench pattern;
    setUpPattern(pattern);
    NoteLoad note(false);
    double patternSeconds = 0.0;
    double noteSeconds = 0.0;
    for (auto _ : state) {
        patternSeconds += timed([&] { pattern.render(); });
        noteSeconds += timed([&] { note.render(); });
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    const double patternNs = 1e9 * patternSeconds / (frames * 8);
    const double noteNs = 1e9 * noteSeconds / (frames * VoicePool::kCapacity);
    state.counters["ns_pattern"] = patternNs;
    state.counters["ns_note"] = noteNs;
    state.counters["pattern_ratio"] = patternNs / noteNs;
}

} // namespace

BENCHMARK(PatternVoices)->MinTime(1.0);
BENCHMARK(NoteVoices)->Arg(0)->Arg(1)->MinTime(1.0);
BENCHMARK(NoteVsReference)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->MinTime(2.0);
BENCHMARK(PatternVsNote)->MinTime(2.0);
