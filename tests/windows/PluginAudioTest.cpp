// The DLL plays under Wine as on Linux: a state naming samples whose file names no code page
// holds arrives through effSetChunk and loads, and every MIDI channel does its part, through
// the test host's calls (misaligned on 32-bit Windows). Block sizes are the conformance suite's.
#include "platform/NativePath.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/TestWav.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

using namespace quovent;
using quovent::test::AudioBuffers;
using quovent::test::EventList;
using quovent::test::MidiMessage;
using quovent::test::TestHost;
using quovent::test::TestWav;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = AudioBuffers::kChannels;

struct MidiAt {
    int frame = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

class DllAudio : public ::testing::Test {
protected:
    void SetUp() override {
        // Japanese, German and a symbol outside 16 bits: no ANSI code page holds them all.
        const std::string names[8] = {"\xe3\x83\x89\xe3\x83\xa9\xe3\x83\xa0",
                                      "K\xc3\xa4sten",
                                      "\xf0\x9f\x8e\xb5",
                                      "snare",
                                      "\xce\xb2",
                                      "tom",
                                      "\xe5\xa4\xaa\xe9\xbc\x93",
                                      "rim"};
        const fs::path kit = scratch.path() / L"Kit \u00e4\u30c9";
        fs::create_directories(kit);
        std::string slots;
        for (int k = 0; k < 8; ++k) {
            const fs::path file = kit / platform::NativePath::fromUtf8(names[k] + ".wav");
            TestWav::decayingSquare(3000, 4000 + 3000 * k, 20 + 7 * k).write(file);
            samplePaths[k] = platform::NativePath::toUtf8(file);
            slots += (k == 0 ? "" : ", ") + std::string(R"({"samplePath": ")") +
                     platform::NativePath::toGenericUtf8(file) + "\"}";
        }
        state = R"({"format": "quovent-bank", "version": 1, "slots": [)" + slots +
                R"(], "patterns": [{"rows": [{"stepOn": [true, false, false, false, true, false,
                false, false, true, false, true, false, true, false, false, false]}]}]})";
        host.setTempo(125.0); // a step is 5292 frames
    }

    // A fresh instance holding the state.
    void start(std::int32_t block) {
        ASSERT_NE(host.open(), nullptr);
        host.prepare(static_cast<float>(kRate), block);
        ASSERT_EQ(host.setChunk(state), 1);
    }

    // Every channel of `frames` frames, channel after channel, rendered in blocks with the
    // events delivered in the block they fall in.
    std::vector<float> render(const std::vector<MidiAt>& events, int frames, int block) {
        std::vector<std::vector<float>> channels(kChannels);
        AudioBuffers out(block);
        for (int start = 0; start < frames; start += block) {
            EventList list;
            for (const MidiAt& e : events) {
                if (e.frame >= start && e.frame < start + block) {
                    list.add(MidiMessage{e.frame - start, e.status, e.data1, e.data2});
                }
            }
            host.sendEvents(list);
            out.fill(0.75f); // replacing overwrites whatever the buffers held
            host.processReplacing(out);
            for (int c = 0; c < kChannels; ++c) {
                channels[c].insert(channels[c].end(), out.channel(c), out.channel(c) + block);
            }
        }
        std::vector<float> all;
        for (auto& c : channels) {
            c.resize(static_cast<std::size_t>(frames));
            all.insert(all.end(), c.begin(), c.end());
        }
        return all;
    }

    test::ScratchDirectory scratch{"quovent-audio"};
    std::string samplePaths[8];
    std::string state;
    TestHost host;
};

// The first frame of channel 0 (of `frames`) that is not silent; -1 for none.
int firstSound(const std::vector<float>& all, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (all[static_cast<std::size_t>(i)] != 0.0f) {
            return i;
        }
    }
    return -1;
}

} // namespace

TEST_F(DllAudio, SamplesWhoseNamesNoCodePageHoldsArriveThroughTheState) {
    start(512);
    // The state handed back names the files exactly as they were given.
    const std::string saved = host.getChunk();
    for (const std::string& path : samplePaths) {
        const std::string generic =
            platform::NativePath::toGenericUtf8(platform::NativePath::fromUtf8(path));
        EXPECT_NE(saved.find(generic), std::string::npos) << generic;
    }
    // Every slot sounds: channel 10 plays slot k from note 60 + k.
    for (int k = 0; k < 8; ++k) {
        const auto note = static_cast<std::uint8_t>(60 + k);
        const std::vector<float> all =
            render({{10, 0x99, note, 100}, {2000, 0x89, note, 0}}, 4096, 512);
        EXPECT_EQ(firstSound(all, 4096), 10) << "slot " << k;
    }
}

TEST_F(DllAudio, EveryMidiChannelDoesItsPart) {
    constexpr int kFrames = 8192;
    constexpr int kOnset = 100;
    std::vector<float> drums[8];
    for (int k = 0; k < 8; ++k) {
        start(512);
        const auto note = static_cast<std::uint8_t>(60 + k);
        drums[k] = render({{kOnset, 0x99, note, 100}, {6000, 0x89, note, 0}}, kFrames, 512);
    }
    for (int channel = 0; channel < 16; ++channel) {
        SCOPED_TRACE("MIDI channel " + std::to_string(channel + 1));
        start(512);
        const auto on = static_cast<std::uint8_t>(0x90 | channel);
        const auto off = static_cast<std::uint8_t>(0x80 | channel);
        const std::vector<float> all =
            render({{kOnset, on, 60, 100}, {6000, off, 60, 0}}, kFrames, 512);
        const bool sounds = std::any_of(all.begin(), all.end(), [](float s) { return s != 0.0f; });
        if (channel < 8) {
            // Channels 1 to 8 play their own slot; note 60 at the sample's own pitch, as the
            // drum channel does.
            EXPECT_EQ(all, drums[channel]);
            EXPECT_EQ(firstSound(all, kFrames), kOnset);
        } else if (channel == 9) {
            EXPECT_EQ(all, drums[0]);
        } else if (channel == 14) {
            EXPECT_EQ(firstSound(all, kFrames), kOnset); // pattern 0's first step
        } else {
            // Channels 9 and 11 to 14 reach the slots without a row (empty); 16 is ignored.
            EXPECT_FALSE(sounds);
        }
        EXPECT_EQ(host.close(), 1);
    }
}
