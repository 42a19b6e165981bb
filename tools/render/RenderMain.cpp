// quovent-render: renders the instrument offline into a WAV file, driving it through its
// entry, dispatcher, event and process calls exactly as a VST 2 host does. It plays a
// groove bank either by holding one pattern note (as the Play button does) or from a
// Standard MIDI File with its tempo map, prints the level of every output pair and can
// draw the waveforms into a PNG picture.
#include "tools/render/AudioFile.hpp"
#include "tools/render/HostDriver.hpp"
#include "tools/render/MidiSong.hpp"
#include "tools/render/PairLevels.hpp"
#include "tools/render/RenderOptions.hpp"
#include "tools/render/WaveformPicture.hpp"

#include "instrument/Instrument.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quovent;
using namespace quovent::render;

// Leaks of libraries, not ours: libsmf drops its song object when it refuses a file, and
// fontconfig (under cairo's text) keeps its caches until exit. The program ends right after
// either, so they are suppressed and sanitizer builds report only this program's leaks.
// The hook must be visible to the sanitizer runtime, a shared library.
extern "C" __attribute__((visibility("default"))) const char*
__lsan_default_suppressions() { // NOLINT: the sanitizer's hook name
    return "leak:smf_load_from_memory\nleak:smf_new\nleak:libfontconfig.so\n";
}

namespace {

constexpr int kPatternStatus = 0x90 | 14; // note-on, MIDI channel 15
constexpr int kFirstPatternNote = 60;
constexpr int kPlayVelocity = 127;
constexpr int kBeatsPerBar = 4;

// The temporary output file, removed if the render is interrupted.
const char* volatile gTemporaryFile = nullptr;

extern "C" void removeTemporaryAndExit(int signal) {
    if (gTemporaryFile != nullptr) {
        ::unlink(gTemporaryFile);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "quovent-render: %s\n", message.c_str());
    return 1;
}

struct TimedEvent {
    std::int64_t frame;
    std::array<std::uint8_t, 3> bytes;
};

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string describeTempo(const TempoMap& map, double seconds) {
    if (map.constant()) {
        char text[48];
        std::snprintf(text, sizeof text, "%g BPM", map.bpmAtSeconds(0.0));
        return text;
    }
    // Scan the map at a fine grid for the range it covers within the render.
    double lo = map.bpmAtSeconds(0.0);
    double hi = lo;
    for (double t = 0.0; t <= seconds; t += 0.01) {
        lo = std::min(lo, map.bpmAtSeconds(t));
        hi = std::max(hi, map.bpmAtSeconds(t));
    }
    char text[64];
    std::snprintf(text, sizeof text, "%g to %g BPM (tempo map)", lo, hi);
    return text;
}

std::string level(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%6.2f dBFS", PairLevels::decibels(value));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<RenderOptions> parsed = RenderOptions::parse(argc, argv, error);
    if (!parsed) {
        std::fprintf(stderr, "quovent-render: %s\n", error.c_str());
        return 2;
    }
    const RenderOptions& options = *parsed;
    if (options.help) {
        std::fputs(RenderOptions::usage(), stdout);
        return 0;
    }
    const std::string bankFile = options.bankFile.empty() ? QUOVENT_DEMO_BANK : options.bankFile;

    // Everything is read and checked before the instrument runs or a file is created.
    std::optional<MidiSong> song;
    if (!options.midiFile.empty()) {
        song = MidiSong::load(options.midiFile, options.tempo, RenderOptions::kMinTempo,
                              RenderOptions::kMaxTempo, error);
        if (!song) {
            return fail(error);
        }
        if (options.tempoGiven && song->hasTempo()) {
            std::fprintf(stderr, "quovent-render: --tempo ignored: %s has its own tempo map\n",
                         options.midiFile.c_str());
        }
    }
    const TempoMap tempoMap = song ? song->tempoMap() : TempoMap(options.tempo);
    const int bars = options.bars.value_or(RenderOptions::kDefaultBars);
    const double seconds =
        options.seconds ? *options.seconds : tempoMap.secondsAtBeat(bars * kBeatsPerBar);
    if (seconds > RenderOptions::kMaxSeconds) {
        return fail("--bars: " + std::to_string(bars) + " bars last " + std::to_string(seconds) +
                    " s, longer than 3600 s");
    }
    const double rate = options.sampleRate;
    const auto totalFrames = static_cast<std::int64_t>(std::llround(seconds * rate));
    if (totalFrames < 1) {
        return fail("--seconds: shorter than one frame");
    }

    std::unique_ptr<HostDriver> host =
        HostDriver::open(static_cast<float>(rate), options.blockSize, error);
    if (!host) {
        return fail(error);
    }
    const BankImportResult bank = host->instrument().importBank(bankFile);
    if (!bank.ok) {
        return fail(bank.error);
    }
    if (!bank.missingSamples.empty()) {
        std::string list;
        for (const std::string& path : bank.missingSamples) {
            list += "\n  " + path;
        }
        return fail(fileName(bankFile) + ": samples that cannot be loaded:" + list);
    }

    std::vector<TimedEvent> events;
    std::string playing;
    if (song) {
        for (const MidiMessage& m : song->messages()) {
            events.push_back({std::llround(m.seconds * rate), m.bytes});
        }
        playing = "MIDI " + fileName(options.midiFile);
    } else {
        const int pattern = options.playPattern.value_or(
            host->instrument().sequencer().patterns().currentPattern());
        events.push_back({0,
                          {static_cast<std::uint8_t>(kPatternStatus),
                           static_cast<std::uint8_t>(kFirstPatternNote + pattern),
                           static_cast<std::uint8_t>(kPlayVelocity)}});
        playing = "pattern " + std::to_string(pattern) + " held from the first frame";
    }

    const int fileChannels = options.allOutputs ? HostDriver::kOutputs : 2;
    std::unique_ptr<AudioFile> out = AudioFile::create(options.outputFile, fileChannels,
                                                       options.sampleRate, options.format, error);
    if (!out) {
        return fail(error);
    }
    gTemporaryFile = out->temporaryPath();
    std::signal(SIGINT, removeTemporaryAndExit);
    std::signal(SIGTERM, removeTemporaryAndExit);
    std::signal(SIGHUP, removeTemporaryAndExit);

    const int block = options.blockSize;
    std::vector<std::vector<float>> buffers(HostDriver::kOutputs,
                                            std::vector<float>(static_cast<std::size_t>(block)));
    std::vector<float*> outputs;
    outputs.reserve(buffers.size());
    for (auto& b : buffers) {
        outputs.push_back(b.data());
    }
    std::vector<float> interleaved(static_cast<std::size_t>(block) * fileChannels);
    std::vector<BlockEvent> blockEvents;
    PairLevels levels;
    std::optional<WaveformPicture> picture;
    if (!options.pictureFile.empty()) {
        picture.emplace(totalFrames);
    }
    double filePeak = 0.0;
    std::size_t nextEvent = 0;

    host->resume();
    const auto started = std::chrono::steady_clock::now();
    for (std::int64_t start = 0; start < totalFrames; start += block) {
        const int frames = static_cast<int>(std::min<std::int64_t>(block, totalFrames - start));
        blockEvents.clear();
        while (nextEvent < events.size() && events[nextEvent].frame < start + frames) {
            const TimedEvent& e = events[nextEvent++];
            blockEvents.push_back(
                {static_cast<int>(std::max<std::int64_t>(e.frame - start, 0)), e.bytes});
        }
        for (auto& b : buffers) {
            std::fill(b.begin(), b.end(), 0.0f);
        }
        const double at = static_cast<double>(start) / rate;
        host->process(
            blockEvents, outputs.data(), frames,
            {static_cast<double>(start), tempoMap.beatAtSeconds(at), tempoMap.bpmAtSeconds(at)});
        levels.add(outputs.data(), frames);
        if (picture) {
            picture->add(outputs.data(), frames, start);
        }
        for (int i = 0; i < frames; ++i) {
            for (int c = 0; c < fileChannels; ++c) {
                float v = 0.0f;
                if (options.allOutputs) {
                    v = buffers[c][i];
                } else if (options.pair != 0) {
                    v = buffers[2 * (options.pair - 1) + c][i];
                } else {
                    for (int p = 0; p < HostDriver::kOutputs / 2; ++p) {
                        v += buffers[2 * p + c][i];
                    }
                }
                interleaved[static_cast<std::size_t>(i) * fileChannels + c] = v;
                filePeak = std::max(filePeak, static_cast<double>(std::abs(v)));
            }
        }
        if (!out->write(interleaved.data(), frames, error)) {
            return fail(error);
        }
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!out->commit(error)) {
        return fail(error);
    }
    gTemporaryFile = nullptr;

    if (picture) {
        std::vector<std::int64_t> barFrames;
        for (int b = 1;; ++b) {
            const auto frame = static_cast<std::int64_t>(
                std::llround(tempoMap.secondsAtBeat(b * kBeatsPerBar) * rate));
            if (frame >= totalFrames) {
                break;
            }
            barFrames.push_back(frame);
        }
        char title[256];
        std::snprintf(title, sizeof title, "quovent-render   %s   %s   %.2f s at %d Hz",
                      fileName(bankFile).c_str(), playing.c_str(), seconds, options.sampleRate);
        error = picture->write(options.pictureFile, title, barFrames);
        if (!error.empty()) {
            return fail(error);
        }
    }

    std::printf("quovent-render: bank %s, %s\n", fileName(bankFile).c_str(), playing.c_str());
    std::printf("length %.3f s (%lld frames at %d Hz in %d-frame blocks), tempo %s\n", seconds,
                static_cast<long long>(totalFrames), options.sampleRate, block,
                describeTempo(tempoMap, seconds).c_str());
    for (int p = 0; p < PairLevels::kPairs; ++p) {
        if (levels.peak(p) > 0.0) {
            std::printf("pair %d (outputs %2d/%2d)  peak %s  rms %s\n", p + 1, 2 * p + 1, 2 * p + 2,
                        level(levels.peak(p)).c_str(), level(levels.rms(p)).c_str());
        } else {
            std::printf("pair %d (outputs %2d/%2d)  silent\n", p + 1, 2 * p + 1, 2 * p + 2);
        }
    }
    const char* bits = options.format == SampleFormat::Pcm16   ? "16-bit"
                       : options.format == SampleFormat::Pcm24 ? "24-bit"
                                                               : "32-bit float";
    const std::string content = options.allOutputs  ? "all twelve outputs"
                                : options.pair != 0 ? "pair " + std::to_string(options.pair)
                                                    : std::string("stereo mix of all pairs");
    std::printf("wrote %s: %s, %s, peak %s%s\n", options.outputFile.c_str(), content.c_str(), bits,
                level(filePeak).c_str(),
                filePeak > 1.0 && options.format != SampleFormat::Float32 ? " (clipped)" : "");
    if (picture) {
        std::printf("wrote %s\n", options.pictureFile.c_str());
    }
    std::printf("rendered in %.3f s: %.0fx real time\n", elapsed,
                elapsed > 0.0 ? seconds / elapsed : 0.0);
    return 0;
}
