// Shared pieces of the chunk tests: a scratch directory, WAV files that can be told apart by
// ear (a level and a length of their own), a state text with samples and steps, and a
// recording of what an instance renders for a pattern note.
#pragma once

#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/TestWav.hpp"
#include "tests/support/TextFile.hpp"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace quovent::test {

namespace fs = std::filesystem;

class ScratchDir {
public:
    const fs::path& path() const { return dir_.path(); }
    fs::path operator/(const std::string& name) const { return dir_.path() / name; }

private:
    ScratchDirectory dir_{"quovent-chunks"};
};

// A path as a state text carries it: '/' separators on every system (a Windows path's
// backslashes would be escapes in JSON), the form the instrument writes too.
inline std::string jsonPath(const fs::path& path) {
    return path.generic_string();
}

// A sample of the chunk tests: a decaying square wave of the given level and length, so
// samples differ in sound and onsets are sharp.
inline void writeWav(const fs::path& path, int frames, std::int16_t level) {
    TestWav::decayingSquare(frames, level, 50).write(path);
}

// Steps as a JSON array from a 16-character picture: 'x' on, anything else off.
inline std::string stepsJson(const std::string& picture) {
    std::string out = "[";
    for (std::size_t i = 0; i < 16; ++i) {
        out += i == 0 ? "" : ", ";
        out += i < picture.size() && picture[i] == 'x' ? "true" : "false";
    }
    return out + "]";
}

// A state with three samples in `dir` (made here), lanes, shuffle, filters, sync, output
// pairs and a pattern selection; pattern 0 and 13 have steps. Paths are absolute.
inline std::string richState(const fs::path& dir) {
    writeWav(dir / "kit" / "kick.wav", 12000, 24000);
    writeWav(dir / "kit" / "snare.wav", 9000, 14000);
    writeWav(dir / "kit" / "hat.wav", 3000, 8000);
    const std::string kit = jsonPath(dir / "kit");
    return R"({"format": "quovent-bank", "version": 1, "shuffleAmount": 0.3, "stepEditMode": 0.5,
  "bank": 1, "key": 1,
  "slots": [
    {"samplePath": ")" +
           kit + R"(/kick.wav", "volume": 0.8, "tune": 0.45},
    {"samplePath": ")" +
           kit + R"(/snare.wav", "pan": 0.3, "filterMode": 1, "freq": 0.6, "res": 0.4},
    {"samplePath": ")" +
           kit + R"(/hat.wav", "outputPair": 2, "sync": true, "tune": 0.7},
    {"active": false}
  ],
  "patterns": [
    {"rows": [{"stepOn": )" +
           stepsJson("x...x...x...x...") + R"(},
              {"stepOn": )" +
           stepsJson("....x.......x...") + R"(,
               "vol": [1, 1, 1, 1, 0.5, 1, 1, 1, 1, 1, 1, 1, 0.25, 1, 1, 1]},
              {"stepOn": )" +
           stepsJson("x.x.x.x.x.x.x.x.") + R"(}]},
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    {"rows": [{"stepOn": )" +
           stepsJson("x..x..x..x..x...") + R"(,
               "tune": [0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1, 1, 1, 1, 1, 1]},
              {"stepOn": )" +
           stepsJson("...x...x...x...x") + R"(,
               "pan": [0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1]}]}
  ]})";
}

// Every channel of `blocks` blocks of 512 frames after the pattern note `note` on MIDI
// channel 15, one after the other.
inline std::vector<float> renderPattern(TestHost& host, int note, int blocks) {
    constexpr int kFrames = 512;
    std::vector<float> all;
    AudioBuffers out(kFrames);
    host.sendMidi({{0, 0x9e, static_cast<std::uint8_t>(note), 100}});
    for (int b = 0; b < blocks; ++b) {
        host.processReplacing(out);
        for (int c = 0; c < AudioBuffers::kChannels; ++c) {
            all.insert(all.end(), out.channel(c), out.channel(c) + kFrames);
        }
    }
    host.sendMidi({{0, 0x8e, static_cast<std::uint8_t>(note), 0}});
    return all;
}

inline float peakOf(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (const float s : samples) {
        peak = std::max(peak, s < 0.0f ? -s : s);
    }
    return peak;
}

} // namespace quovent::test
