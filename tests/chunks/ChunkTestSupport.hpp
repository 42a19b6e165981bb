// Shared pieces of the chunk tests: a scratch directory and a recording of what an instance
// renders for a pattern note (the state texts are tests/support/GrooveTexts.hpp).
#pragma once

#include "tests/support/GrooveTexts.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestHost.hpp"
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
