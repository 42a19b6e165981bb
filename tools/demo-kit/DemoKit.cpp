// quovent-demo-kit: writes the demo kit's eight drum sounds as WAV files and the demo
// song (a MIDI file that switches between the demo bank's patterns) into a directory,
// then reads every WAV file back and prints its length, peak and RMS level and its first
// and last sample, so the sounds can be checked without listening.
//
//   quovent-demo-kit [DIR]      (default: resources/demo of the source tree)
#include "tools/demo-kit/DrumSynth.hpp"

#include <smf.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using quovent::demokit::DrumSynth;
using quovent::demokit::Sound;

namespace {

namespace fs = std::filesystem;

constexpr int kPpqn = 96;
constexpr int kPulsesPerBar = 4 * kPpqn;
constexpr int kPatternChannel = 14; // MIDI channel 15: pattern notes
constexpr int kFirstPatternNote = 60;
// The demo song: one pattern per bar, pattern numbers as in the demo bank.
constexpr std::array<int, 8> kArrangement{0, 1, 0, 1, 2, 2, 1, 3};
constexpr int kTempoMicrosecondsPerQuarter = 500000; // 120 BPM

bool writeWav(const Sound& s, const fs::path& file) {
    SF_INFO info{};
    info.samplerate = s.sampleRate;
    info.channels = s.stereo() ? 2 : 1;
    info.format = SF_FORMAT_WAV | (s.bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16);
    SNDFILE* f = sf_open(file.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<float> frames;
    frames.reserve(s.left.size() * info.channels);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        frames.push_back(s.left[i]);
        if (s.stereo()) {
            frames.push_back(s.right[i]);
        }
    }
    const auto count = static_cast<sf_count_t>(s.left.size());
    const bool ok = sf_writef_float(f, frames.data(), count) == count;
    return sf_close(f) == 0 && ok;
}

// Reads a written file back: what a listener would get, including the quantisation.
bool report(const fs::path& file) {
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<float> data(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    double peak = 0.0;
    double energy = 0.0;
    for (const float v : data) {
        peak = std::max(peak, static_cast<double>(std::abs(v)));
        energy += static_cast<double>(v) * v;
    }
    const double rms = std::sqrt(energy / static_cast<double>(data.size()));
    // Zero crossings of the first channel per second / 2: a rough pitch or brightness,
    // low for kick and tom, kilohertz for the hats.
    int crossings = 0;
    for (std::size_t i = info.channels; i < data.size(); i += info.channels) {
        crossings += (data[i] >= 0.0f) != (data[i - info.channels] >= 0.0f) ? 1 : 0;
    }
    const double zeroHz = crossings * 0.5 * info.samplerate / static_cast<double>(info.frames);
    const int bits = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_24 ? 24 : 16;
    std::printf("%-16s %5.0f ms  %6d Hz  %2d-bit %-6s  peak %6.2f dBFS  rms %6.2f dBFS  "
                "zero-crossing %5.0f Hz  first %+.5f  last %+.5f\n",
                file.filename().c_str(),
                1000.0 * static_cast<double>(info.frames) / info.samplerate, info.samplerate, bits,
                info.channels == 2 ? "stereo" : "mono", 20.0 * std::log10(peak),
                20.0 * std::log10(rms), zeroHz, data.front(), data.back());
    return true;
}

void addEvent(smf_track_t* track, int pulses, int status, int data1, int data2) {
    smf_event_t* e = smf_event_new_from_bytes(status, data1, data2);
    smf_track_add_event_pulses(track, e, pulses);
}

bool writeSong(const fs::path& file) {
    smf_t* smf = smf_new();
    smf_track_t* track = smf_track_new();
    smf_add_track(smf, track);
    bool ok = smf_set_ppqn(smf, kPpqn) == 0;
    std::array<unsigned char, 6> tempo{
        0xFF,
        0x51,
        0x03,
        static_cast<unsigned char>(kTempoMicrosecondsPerQuarter >> 16),
        static_cast<unsigned char>(kTempoMicrosecondsPerQuarter >> 8),
        static_cast<unsigned char>(kTempoMicrosecondsPerQuarter)};
    smf_track_add_event_pulses(track, smf_event_new_from_pointer(tempo.data(), tempo.size()), 0);
    std::array<unsigned char, 7> meter{0xFF, 0x58, 0x04, 4, 2, 24, 8}; // 4/4
    smf_track_add_event_pulses(track, smf_event_new_from_pointer(meter.data(), meter.size()), 0);
    const int on = 0x90 | kPatternChannel;
    const int off = 0x80 | kPatternChannel;
    int playing = -1;
    for (std::size_t bar = 0; bar < kArrangement.size(); ++bar) {
        const int pulses = static_cast<int>(bar) * kPulsesPerBar;
        const int pattern = kArrangement[bar];
        if (pattern == playing) {
            continue; // a held pattern loops by itself
        }
        if (playing >= 0) {
            addEvent(track, pulses, off, kFirstPatternNote + playing, 0);
        }
        addEvent(track, pulses, on, kFirstPatternNote + pattern, 127);
        playing = pattern;
    }
    const int end = static_cast<int>(kArrangement.size()) * kPulsesPerBar;
    addEvent(track, end, off, kFirstPatternNote + playing, 0);
    ok = ok && smf_track_add_eot_pulses(track, end) == 0;
    ok = ok && smf_save(smf, file.c_str()) == 0;
    smf_delete(smf);
    std::printf("%-16s %d bars at 120 BPM, patterns", file.filename().c_str(),
                static_cast<int>(kArrangement.size()));
    for (const int p : kArrangement) {
        std::printf(" %d", p);
    }
    std::printf("\n");
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: quovent-demo-kit [DIR]\n");
        return 2;
    }
    const fs::path dir = argc == 2 ? fs::path(argv[1]) : fs::path(QUOVENT_DEMO_DIR);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "%s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    for (const Sound& s : DrumSynth::kit()) {
        const fs::path file = dir / (s.name + ".wav");
        if (!writeWav(s, file) || !report(file)) {
            return 1;
        }
    }
    if (!writeSong(dir / "demo.mid")) {
        std::fprintf(stderr, "%s: cannot write the MIDI file\n", (dir / "demo.mid").c_str());
        return 1;
    }
    return 0;
}
