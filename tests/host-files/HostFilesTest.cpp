// The base64 codec against the standard's own examples and the text hosts write, and the
// export reader against files libsndfile writes in the right and in wrong formats.
#include "tests/support/Base64.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/StereoWav.hpp"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>
#include <vector>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

TEST(Base64, EncodesTheStandardsExamplesAndDecodesEveryLengthBack) {
    const std::vector<std::pair<std::string, std::string>> examples = {{"", ""},
                                                                       {"f", "Zg=="},
                                                                       {"fo", "Zm8="},
                                                                       {"foo", "Zm9v"},
                                                                       {"foob", "Zm9vYg=="},
                                                                       {"fooba", "Zm9vYmE="},
                                                                       {"foobar", "Zm9vYmFy"}};
    for (const auto& [bytes, text] : examples) {
        EXPECT_EQ(base64Encode(bytes), text);
        EXPECT_EQ(base64Decode(text), bytes) << text;
    }
    std::string bytes;
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(base64Decode(base64Encode(bytes)), bytes) << "length " << i;
        bytes += static_cast<char>(i % 2 == 0 ? 0xFF : 0x00);
    }
}

TEST(Base64, PassesOverWrappingStopsAtPaddingAndRefusesOtherCharacters) {
    EXPECT_EQ(base64Decode("  Zm9v\nYmFy\r\n\tZg==\n"), "foobarf");
    EXPECT_EQ(base64Decode("Zg==Zm9v"), "f");
    EXPECT_EQ(base64Decode("Zm9v<chunk>"), std::nullopt);
    EXPECT_EQ(base64Decode("Zm-v"), std::nullopt);
}

class FloatStereoExport : public ::testing::Test {
protected:
    // A file of `channels` channels, frame i of channel c holding (c + 1) * i / 1000.
    fs::path write(const std::string& name, int format, int channels, int frames) {
        const fs::path file = dir.path() / name;
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = channels;
        info.format = format;
        SNDFILE* const sound = sf_open(file.c_str(), SFM_WRITE, &info);
        EXPECT_NE(sound, nullptr) << sf_strerror(nullptr);
        std::vector<float> samples;
        for (int i = 0; i < frames; ++i) {
            for (int c = 0; c < channels; ++c) {
                samples.push_back(static_cast<float>((c + 1) * i) / 1000.0f);
            }
        }
        if (sound != nullptr) {
            sf_writef_float(sound, samples.data(), frames);
            sf_close(sound);
        }
        return file;
    }

    ScratchDirectory dir{"quovent-host-files"};
};

TEST_F(FloatStereoExport, ReadsBothChannelsOfAFloatStereoWavExactly) {
    const fs::path file = write("export.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 500);
    std::vector<float> left;
    std::vector<float> right;
    ASSERT_TRUE(readFloatStereo(file, left, right));
    ASSERT_EQ(left.size(), 500u);
    ASSERT_EQ(right.size(), 500u);
    for (std::size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(left[i], static_cast<float>(i) / 1000.0f) << i;
        ASSERT_EQ(right[i], static_cast<float>(2 * i) / 1000.0f) << i;
    }
}

TEST_F(FloatStereoExport, RefusesWhatAMisconfiguredExportWouldWrite) {
    std::vector<float> left;
    std::vector<float> right;
    EXPECT_FALSE(
        readFloatStereo(write("pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 100), left, right));
    EXPECT_FALSE(
        readFloatStereo(write("mono.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 100), left, right));
    EXPECT_FALSE(readFloatStereo(write("export.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 2, 100),
                                 left, right));
    EXPECT_FALSE(readFloatStereo(dir.path() / "missing.wav", left, right));
    EXPECT_TRUE(left.empty() && right.empty());
}

TEST(FirstSound, IsTheFirstSampleAboveTheThresholdEitherSign) {
    const std::vector<float> samples = {0.0f, 1.0e-4f, -2.0e-4f, 0.5f};
    EXPECT_EQ(firstSound(samples, 1.0e-4f), 2u);
    EXPECT_EQ(firstSound(samples, 1.0e-6f), 1u);
    EXPECT_EQ(firstSound(samples, 1.0f), samples.size());
}

} // namespace
} // namespace quovent::test
