// Loading WAV files into a SampleBuffer. Files of every supported depth are written by
// libsndfile and the loaded frames compared with libsndfile's own decoding, scaled by 1.15;
// hand-laid files cover what libsndfile would not write.
#include "samples/SampleLoader.hpp"
#include "samples/SampleBuffer.hpp"
#include "tests/samples/RiffBuilder.hpp"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace quovent;
using namespace quovent::test;

namespace {

constexpr int kCapacity = SampleBuffer::kCapacity;

// Writes frames of pseudo-random full-range audio (with both extremes at the start) in the
// given libsndfile format.
std::string writeWithSndfile(const TempDir& dir, const std::string& name, int format, int channels,
                             int frames, int rate = 48000) {
    std::string path = dir.path(name);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        ADD_FAILURE() << "libsndfile cannot write " << path << ": " << sf_strerror(nullptr);
        return path;
    }
    std::mt19937 random(static_cast<unsigned>(format * 31 + channels * 7 + frames));
    const std::size_t n = static_cast<std::size_t>(frames) * channels;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT ||
        (format & SF_FORMAT_SUBMASK) == SF_FORMAT_DOUBLE) {
        // Float files keep their range, beyond full scale too.
        std::uniform_real_distribution<double> value(-1.5, 1.5);
        std::vector<double> data(n);
        for (double& v : data) {
            v = value(random);
        }
        data[0] = -1.0;
        data[n - 1] = 1.0;
        EXPECT_EQ(sf_write_double(f, data.data(), static_cast<sf_count_t>(n)),
                  static_cast<sf_count_t>(n));
    } else {
        std::uniform_int_distribution<std::int32_t> value(std::numeric_limits<std::int32_t>::min(),
                                                          std::numeric_limits<std::int32_t>::max());
        std::vector<int> data(n);
        for (int& v : data) {
            v = value(random);
        }
        data[0] = std::numeric_limits<std::int32_t>::min();
        data[n - 1] = std::numeric_limits<std::int32_t>::max();
        EXPECT_EQ(sf_write_int(f, data.data(), static_cast<sf_count_t>(n)),
                  static_cast<sf_count_t>(n));
    }
    sf_close(f);
    return path;
}

// libsndfile's decoding, interleaved, normalised to +-1.
std::vector<float> readWithSndfile(const std::string& path, int& channels) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        ADD_FAILURE() << "libsndfile cannot read " << path;
        return {};
    }
    channels = info.channels;
    std::vector<float> data(static_cast<std::size_t>(info.frames) * info.channels);
    EXPECT_EQ(sf_readf_float(f, data.data(), info.frames), info.frames);
    sf_close(f);
    return data;
}

float scaled(float v) {
    return static_cast<float>(v * 1.15);
}

// Compares the buffer's first frames with libsndfile's decoding of channels 0 and 1;
// returns the number of mismatching frames (and reports the first).
int mismatches(const SampleBuffer& buffer, const std::vector<float>& expected, int channels,
               int frames, float tolerance) {
    int bad = 0;
    for (int i = 0; i < frames; ++i) {
        const float l = scaled(expected[static_cast<std::size_t>(i) * channels]);
        const float r = scaled(expected[static_cast<std::size_t>(i) * channels + (channels > 1)]);
        if (std::fabs(buffer.left(i) - l) > tolerance ||
            std::fabs(buffer.right(i) - r) > tolerance) {
            if (bad++ == 0) {
                ADD_FAILURE() << "frame " << i << ": " << buffer.left(i) << ", " << buffer.right(i)
                              << " instead of " << l << ", " << r;
            }
        }
    }
    return bad;
}

struct Depth {
    const char* name;
    int format;
    float tolerance; // 0: the same float; else the rounding of libsndfile's float path
};

void PrintTo(const Depth& d, std::ostream* os) {
    *os << d.name;
}

const Depth kDepths[] = {
    {"u8", SF_FORMAT_PCM_U8, 0.0f},  {"s16", SF_FORMAT_PCM_16, 0.0f},
    {"s24", SF_FORMAT_PCM_24, 0.0f}, {"s32", SF_FORMAT_PCM_32, 3e-7f},
    {"f32", SF_FORMAT_FLOAT, 0.0f},  {"f64", SF_FORMAT_DOUBLE, 3e-7f},
};

class SndfileDecoding
    : public ::testing::TestWithParam<std::tuple<Depth, int /*channels*/, int /*frames*/>> {};

// A buffer outside the stack: 3.2 MB.
std::unique_ptr<SampleBuffer> makeBuffer() {
    return std::make_unique<SampleBuffer>();
}

std::vector<float> snapshot(const SampleBuffer& b) {
    std::vector<float> out;
    out.reserve(2 * SampleBuffer::kStorage + 2);
    for (int i = 0; i < SampleBuffer::kStorage; ++i) {
        out.push_back(b.left(i));
        out.push_back(b.right(i));
    }
    out.push_back(static_cast<float>(b.frameCount()));
    out.push_back(static_cast<float>(b.sampleRate()));
    return out;
}

void fill(SampleBuffer& b, float v) {
    for (int i = 0; i < kCapacity; ++i) {
        b.setFrame(i, v, -v);
    }
}

} // namespace

TEST_P(SndfileDecoding, FramesEqualLibsndfileScaledBy115) {
    const auto& [depth, channels, frames] = GetParam();
    TempDir dir;
    const std::string path =
        writeWithSndfile(dir, "f.wav", SF_FORMAT_WAV | depth.format, channels, frames, 32000);
    int sfChannels = 0;
    const std::vector<float> expected = readWithSndfile(path, sfChannels);
    ASSERT_EQ(sfChannels, channels);

    auto buffer = makeBuffer();
    fill(*buffer, 0.25f); // an earlier sample, longer than the file
    ASSERT_TRUE(buffer->loadSample(path.c_str()));
    const int loaded = std::min(frames, kCapacity);
    EXPECT_EQ(buffer->frameCount(), loaded);
    EXPECT_EQ(buffer->sampleRate(), 32000u);
    EXPECT_EQ(mismatches(*buffer, expected, channels, loaded, depth.tolerance), 0);
    // Nothing of the earlier sample stays behind the new one (its memory is given back).
    if (loaded < kCapacity) {
        EXPECT_EQ(buffer->left(loaded), 0.0f);
        EXPECT_EQ(buffer->right(kCapacity - 1), 0.0f);
    }
    EXPECT_EQ(buffer->left(kCapacity), 0.0f); // the guard frame
    EXPECT_EQ(buffer->right(kCapacity), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, SndfileDecoding,
                         ::testing::Combine(::testing::ValuesIn(kDepths), ::testing::Values(1, 2),
                                            ::testing::Values(1000, 500000)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    (std::get<1>(info.param) == 1 ? "mono" : "stereo") + "_" +
                                    std::to_string(std::get<2>(info.param));
                         });

TEST(SampleLoader, EverySixteenBitValuePlaysAsItsValueOver32768Times115) {
    // 16-bit files are kept as their 16-bit values; what a voice reads must still be the
    // float that s / 32768 x 1.15 computed in double gives (a float-only product differs
    // for a quarter of the values).
    TempDir dir;
    std::vector<std::int16_t> all;
    for (int v = -32768; v <= 32767; ++v) {
        all.push_back(static_cast<std::int16_t>(v));
    }
    for (const int channels : {1, 2}) {
        auto buffer = makeBuffer();
        ASSERT_TRUE(buffer->loadSample(
            dir.write("all.wav",
                      RiffBuilder().fmt(fmtData(1, channels, 44100, 16)).data(pcm16(all)))
                .c_str()));
        const int frames = 65536 / channels;
        ASSERT_EQ(buffer->frameCount(), frames);
        int wrong = 0;
        for (int i = 0; i < frames; ++i) {
            const auto expect = [&](int k) {
                return static_cast<float>(all[static_cast<std::size_t>(k)] / 32768.0 * 1.15);
            };
            const float l = expect(channels * i);
            const float r = expect(channels * i + channels - 1);
            wrong += buffer->left(i) != l || buffer->right(i) != r ? 1 : 0;
        }
        EXPECT_EQ(wrong, 0) << channels << " channel(s)";
    }
}

TEST(SampleLoader, ReloadsOfEveryKindReplaceTheWholeSample) {
    // 16-bit and float storage, mono and stereo, one after another in one buffer: each load
    // reads as its own file alone, however the one before it was kept.
    TempDir dir;
    auto buffer = makeBuffer();
    const std::string s16m = dir.write(
        "a.wav", RiffBuilder().fmt(fmtData(1, 1, 44100, 16)).data(pcm16({1000, 2000, 3000})));
    const std::string s16s = dir.write(
        "b.wav", RiffBuilder().fmt(fmtData(1, 2, 44100, 16)).data(pcm16({100, -100, 200, -200})));
    const std::string s24m = dir.write(
        "c.wav", RiffBuilder().fmt(fmtData(1, 1, 44100, 24)).data({0, 0, 0x40, 0, 0, 0xC0}));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(buffer->loadSample(s16m.c_str()));
        EXPECT_EQ(buffer->frameCount(), 3);
        EXPECT_EQ(buffer->left(2), SampleLoader::convert16(3000));
        EXPECT_EQ(buffer->right(2), SampleLoader::convert16(3000));
        EXPECT_EQ(buffer->left(3), 0.0f);

        ASSERT_TRUE(buffer->loadSample(s16s.c_str()));
        EXPECT_EQ(buffer->frameCount(), 2);
        EXPECT_EQ(buffer->left(1), SampleLoader::convert16(200));
        EXPECT_EQ(buffer->right(1), SampleLoader::convert16(-200));
        EXPECT_EQ(buffer->left(2), 0.0f);

        ASSERT_TRUE(buffer->loadSample(s24m.c_str()));
        EXPECT_EQ(buffer->frameCount(), 2);
        EXPECT_FLOAT_EQ(buffer->left(0), 0.575f);
        EXPECT_FLOAT_EQ(buffer->right(1), -0.575f);
        EXPECT_EQ(buffer->left(2), 0.0f);

        buffer->clearSample();
        EXPECT_EQ(buffer->left(0), 0.0f);
        EXPECT_EQ(buffer->right(1), 0.0f);
        EXPECT_EQ(buffer->frameCount(), 2); // a cleared slot keeps its length
    }
}

TEST(SampleLoader, MoreThanTwoChannelsGiveTheFirstTwo) {
    TempDir dir;
    auto buffer = makeBuffer();
    for (const int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAVEX | SF_FORMAT_PCM_24,
                             SF_FORMAT_WAVEX | SF_FORMAT_FLOAT}) {
        SCOPED_TRACE(format);
        const std::string path = writeWithSndfile(dir, "multi.wav", format, 5, 3000);
        int channels = 0;
        const std::vector<float> expected = readWithSndfile(path, channels);
        ASSERT_TRUE(buffer->loadSample(path.c_str()));
        EXPECT_EQ(buffer->frameCount(), 3000);
        EXPECT_EQ(mismatches(*buffer, expected, channels, 3000, 0.0f), 0);
    }
}

TEST(SampleLoader, FramesTheFileDoesNotHoldBecomeSilence) {
    TempDir dir;
    auto buffer = makeBuffer();
    // 16-bit stereo declaring 1000 frames, holding 600 and half of the next.
    std::vector<std::int16_t> values(1201);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<std::int16_t>(i * 17);
    }
    fill(*buffer, 0.5f);
    ASSERT_TRUE(buffer->loadSample(
        dir.write("cut16.wav",
                  RiffBuilder().fmt(fmtData(1, 2, 44100, 16)).rawChunk("data", 4000, pcm16(values)))
            .c_str()));
    EXPECT_EQ(buffer->frameCount(), 1000);
    EXPECT_EQ(buffer->left(599), SampleLoader::convert16(values[1198]));
    EXPECT_EQ(buffer->right(599), SampleLoader::convert16(values[1199]));
    for (const int i : {600, 601, 999}) {
        EXPECT_EQ(buffer->left(i), 0.0f) << i;
        EXPECT_EQ(buffer->right(i), 0.0f) << i;
    }
    EXPECT_EQ(buffer->left(1000), 0.0f); // the earlier sample is gone past the new one too

    // 24-bit mono declaring 4 GB of data: the 3 frames present load, the rest of 400,000
    // frames is silence.
    fill(*buffer, 0.5f);
    ASSERT_TRUE(buffer->loadSample(
        dir.write("cut24.wav",
                  RiffBuilder()
                      .fmt(fmtData(1, 1, 96000, 24))
                      .rawChunk("data", 0xFFFFFFFF, {0, 0, 0x40, 0, 0, 0xC0, 0xFF, 0xFF, 0x7F}))
            .c_str()));
    EXPECT_EQ(buffer->frameCount(), kCapacity);
    EXPECT_FLOAT_EQ(buffer->left(0), 0.575f);
    EXPECT_FLOAT_EQ(buffer->left(1), -0.575f);
    EXPECT_FLOAT_EQ(buffer->left(2), static_cast<float>(8388607 / 8388608.0 * 1.15));
    EXPECT_EQ(buffer->left(3), 0.0f);
    EXPECT_EQ(buffer->right(kCapacity - 1), 0.0f);
}

TEST(SampleLoader, SixteenBitFramesCountByBlockAlignButReadOnlyTheData) {
    TempDir dir;
    auto buffer = makeBuffer();
    fill(*buffer, 0.5f);
    // Stereo, blockAlign 2: 8 data bytes count as 4 frames, but hold only 2 stereo frames.
    // The LIST chunk behind the data is never played.
    ASSERT_TRUE(buffer->loadSample(dir.write("narrow.wav", RiffBuilder()
                                                               .fmt(fmtData(1, 2, 8000, 16, 2))
                                                               .data(pcm16({16384, 0, 0, 16384}))
                                                               .list("INFO", Bytes(64, 0x7F)))
                                       .c_str()));
    EXPECT_EQ(buffer->frameCount(), 4);
    EXPECT_FLOAT_EQ(buffer->left(0), 0.575f);
    EXPECT_FLOAT_EQ(buffer->right(1), 0.575f);
    EXPECT_EQ(buffer->left(2), 0.0f);
    EXPECT_EQ(buffer->right(3), 0.0f);
    EXPECT_EQ(buffer->left(4), 0.0f);

    // blockAlign 0 loads no frames.
    ASSERT_TRUE(buffer->loadSample(
        dir.write("zero.wav", RiffBuilder().fmt(fmtData(1, 1, 11025, 16, 0)).data(pcm16({1, 2})))
            .c_str()));
    EXPECT_EQ(buffer->frameCount(), 0);
    EXPECT_EQ(buffer->sampleRate(), 11025u);

    // Mono with a wide blockAlign: dataSize / 8 frames, read as packed values.
    ASSERT_TRUE(
        buffer->loadSample(dir.write("wide.wav", RiffBuilder()
                                                     .fmt(fmtData(1, 1, 8000, 16, 8))
                                                     .data(pcm16({16384, 0, 0, 0, 0, 0, 0, 0})))
                               .c_str()));
    EXPECT_EQ(buffer->frameCount(), 2);
    EXPECT_FLOAT_EQ(buffer->left(0), 0.575f);
}

TEST(SampleLoader, FloatDataKeepsItsRangeAndSilencesWhatIsNotANumber) {
    TempDir dir;
    auto buffer = makeBuffer();
    Bytes f32;
    for (const float v : {1.5f, -0.5f, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(), 3e38f}) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        putLe32(f32, bits);
    }
    ASSERT_TRUE(buffer->loadSample(
        dir.write("f.wav", RiffBuilder().fmt(extensibleFmtData(3, 1, 44100, 32)).data(f32))
            .c_str()));
    EXPECT_EQ(buffer->frameCount(), 5);
    EXPECT_FLOAT_EQ(buffer->left(0), 1.725f);
    EXPECT_FLOAT_EQ(buffer->left(1), -0.575f);
    EXPECT_EQ(buffer->left(2), 0.0f);
    EXPECT_EQ(buffer->left(3), 0.0f);
    EXPECT_EQ(buffer->left(4), 0.0f); // would overflow to infinity once scaled
}

TEST(SampleLoader, UndecodableFilesAreRefusedAndLeaveTheBufferAsItWas) {
    TempDir dir;
    auto buffer = makeBuffer();
    ASSERT_TRUE(buffer->loadSample(
        writeWithSndfile(dir, "good.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 5000, 44100)
            .c_str()));
    const std::vector<float> before = snapshot(*buffer);

    const Bytes some(4096, 0x11);
    Bytes unknownGuid = extensibleFmtData(1, 1, 8000, 24);
    unknownGuid.back() ^= 0xFF;
    const struct {
        const char* name;
        Bytes fmt;
    } refused[] = {
        {"12-bit", fmtData(1, 1, 8000, 12)},
        {"4-bit ADPCM", fmtData(0x11, 1, 8000, 4, 256)},
        {"mu-law", fmtData(7, 1, 8000, 8)},
        {"A-law", fmtData(6, 2, 8000, 8)},
        {"64-bit integer", fmtData(1, 1, 8000, 64)},
        {"float tag, 8 bits", fmtData(3, 1, 8000, 8)},
        {"24-bit blockAlign 4", fmtData(1, 1, 8000, 24, 4)},
        {"float blockAlign 0", fmtData(3, 2, 8000, 32, 0)},
        {"16-bit no channels", fmtData(1, 0, 8000, 16, 2)},
        {"16-bit at 0 Hz", fmtData(1, 1, 0, 16)},
        {"extensible unknown GUID", unknownGuid},
        {"extensible too short", fmtData(0xFFFE, 1, 8000, 24, -1, 6)},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(
            buffer->loadSample(dir.write("r.wav", RiffBuilder().fmt(r.fmt).data(some)).c_str()));
        EXPECT_TRUE(snapshot(*buffer) == before);
    }
    EXPECT_FALSE(buffer->loadSample(dir.path("missing.wav").c_str()));
    EXPECT_FALSE(buffer->loadSample(dir.write("broken.wav", RiffBuilder().fmt({})).c_str()));
    EXPECT_TRUE(snapshot(*buffer) == before);
}
