// The command line of quovent-render, checked completely before anything is rendered.
#pragma once

#include <optional>
#include <string>

namespace quovent::render {

enum class SampleFormat { Pcm16, Pcm24, Float32 };

struct RenderOptions {
    static constexpr double kMaxSeconds = 3600.0;
    static constexpr int kMaxBars = 10000;
    static constexpr double kMinTempo = 10.0;
    static constexpr double kMaxTempo = 1000.0;
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 384000;
    static constexpr int kMinBlock = 1;
    static constexpr int kMaxBlock = 65536;
    static constexpr int kDefaultBars = 4;

    std::string bankFile;           // empty: the bundled demo bank
    std::string midiFile;           // empty: hold a pattern note instead
    std::optional<int> playPattern; // 0..23; unset: the bank's current pattern
    std::optional<double> seconds;  // length; unset (and no bars): kDefaultBars bars
    std::optional<int> bars;
    double tempo = 120.0; // BPM, unless the MIDI file has a tempo map
    bool tempoGiven = false;
    int sampleRate = 44100;
    int blockSize = 512;
    int pair = 0;            // 1..6: that pair only; 0: the stereo mix of all
    bool allOutputs = false; // all twelve outputs
    SampleFormat format = SampleFormat::Pcm24;
    std::string outputFile;
    std::string pictureFile; // empty: no waveform picture
    bool help = false;

    // Parses argv; on a bad or missing argument answers nullopt and sets error to a message
    // naming the option.
    static std::optional<RenderOptions> parse(int argc, const char* const* argv,
                                              std::string& error);
    static const char* usage();
};

} // namespace quovent::render
