// The DLL plays under Wine as on Linux: a state naming samples whose file names no code page
// holds arrives through effSetChunk and loads, and each slot sounds from its drum note, through
// the test host's calls (misaligned on 32-bit Windows). What every MIDI channel does is the
// engine tests' (run under Wine too), block sizes the conformance suite's.
#include "platform/NativePath.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/TestWav.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

using namespace quovent;
using quovent::test::AudioBuffers;
using quovent::test::TestHost;
using quovent::test::TestWav;
namespace fs = std::filesystem;

namespace {

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
        state = R"({"format": "quovent-bank", "version": 1, "slots": [)" + slots + "]}";
    }

    test::ScratchDirectory scratch{"quovent-audio"};
    std::string samplePaths[8];
    std::string state;
    TestHost host;
};

} // namespace

TEST_F(DllAudio, SamplesWhoseNamesNoCodePageHoldsArriveThroughTheState) {
    ASSERT_NE(host.open(), nullptr);
    host.prepare(44100.0f, 4096);
    ASSERT_EQ(host.setChunk(state), 1);
    // The state handed back names the files exactly as they were given.
    const std::string saved = host.getChunk();
    for (const std::string& path : samplePaths) {
        const std::string generic =
            platform::NativePath::toGenericUtf8(platform::NativePath::fromUtf8(path));
        EXPECT_NE(saved.find(generic), std::string::npos) << generic;
    }
    // Every slot sounds: channel 10 plays slot k from note 60 + k, at the note's frame.
    for (int k = 0; k < 8; ++k) {
        host.sendMidi({{10, 0x99, static_cast<std::uint8_t>(60 + k), 100}});
        AudioBuffers out(4096, 0.75f);
        host.processReplacing(out);
        const float* left = out.channel(0);
        EXPECT_EQ(std::find_if(left, left + 4096, [](float v) { return v != 0.0f; }) - left, 10)
            << "slot " << k;
    }
}
