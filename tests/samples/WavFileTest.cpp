// The WAV reader against hand-laid files: every failure message from a file that should
// produce it, chunk layouts real writers produce, and hostile sizes.
#include "samples/WavFile.hpp"
#include "samples/RiffReader.hpp"
#include "tests/samples/RiffBuilder.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace quovent;
using namespace quovent::test;

namespace {

const Bytes kFmtMono16 = fmtData(1, 1, 44100, 16);
const Bytes kFmtStereo16 = fmtData(1, 2, 44100, 16);

std::string errorOf(WavFile& wav) {
    return wav.lastError() != nullptr ? wav.lastError() : "";
}

struct FailingFile {
    const char* name;
    Bytes bytes;
    const char* message;
};

} // namespace

TEST(WavFile, EveryOpenFailureGivesItsMessageAndLeavesTheFileClosed) {
    TempDir dir;
    const std::vector<FailingFile> cases = {
        {"empty", {}, "Couldn't open file"},
        {"short", {'R', 'I', 'F', 'F', 4, 0}, "Couldn't open file"},
        {"not riff", RiffBuilder("WAVE", "RIFX").fmt(kFmtMono16).data(pcm16({1})).bytes(),
         "Couldn't open file"},
        {"lowercase riff", RiffBuilder("WAVE", "riff").fmt(kFmtMono16).data(pcm16({1})).bytes(),
         "Couldn't open file"},
        {"not wave", RiffBuilder("AVI ").fmt(kFmtMono16).data(pcm16({1})).bytes(),
         "Couldn't find RIFF, WAVE, or fmt"},
        {"no fmt", RiffBuilder().data(pcm16({1})).bytes(), "Couldn't find RIFF, WAVE, or fmt"},
        {"FMT uppercase", RiffBuilder().chunk("FMT ", kFmtMono16).data(pcm16({1})).bytes(),
         "Couldn't find RIFF, WAVE, or fmt"},
        {"riff size below form type",
         RiffBuilder().fmt(kFmtMono16).data(pcm16({1})).riffSize(2).bytes(),
         "Couldn't find RIFF, WAVE, or fmt"},
        {"fmt empty", RiffBuilder().fmt({}).data(pcm16({1})).bytes(), "Error reading format chunk"},
        {"fmt 14 bytes",
         RiffBuilder()
             .fmt(Bytes(kFmtMono16.begin(), kFmtMono16.end() - 2))
             .data(pcm16({1}))
             .bytes(),
         "Error reading format chunk"},
        {"fmt past end", RiffBuilder().rawChunk("fmt ", 40, kFmtMono16).bytes(),
         "Error reading format chunk"},
        {"fmt declares 4 GB", RiffBuilder().rawChunk("fmt ", 0xFFFFFFFF, kFmtMono16).bytes(),
         "Error reading format chunk"},
        {"no data", RiffBuilder().fmt(kFmtMono16).list("INFO", {}).bytes(),
         "Couldn't find data chunk"},
        {"DATA uppercase", RiffBuilder().fmt(kFmtMono16).chunk("DATA", pcm16({1})).bytes(),
         "Couldn't find data chunk"},
        {"data behind riff size",
         RiffBuilder()
             .fmt(kFmtMono16)
             .riffSize(4 + 8 + 16)
             .trailing(RiffBuilder::chunkBytes("data", pcm16({1, 2})))
             .bytes(),
         "Couldn't find data chunk"},
        {"skip past end", RiffBuilder().fmt(kFmtMono16).rawChunk("junk", 0xFFFFFFFF, {}).bytes(),
         "Couldn't find data chunk"},
    };
    for (const FailingFile& c : cases) {
        SCOPED_TRACE(c.name);
        WavFile wav;
        EXPECT_FALSE(wav.openRead(dir.write("f.wav", c.bytes).c_str()));
        EXPECT_EQ(errorOf(wav), c.message);
        EXPECT_FALSE(wav.isOpen());
    }

    WavFile wav;
    EXPECT_FALSE(wav.openRead(dir.path("missing.wav").c_str()));
    EXPECT_EQ(errorOf(wav), "Couldn't open file");
    EXPECT_FALSE(wav.openRead(dir.path("").c_str())); // a directory
    EXPECT_EQ(errorOf(wav), "Couldn't open file");
}

#if !defined(_WIN32)
// A project or a drop may name anything: a FIFO without a writer would block the opening
// thread for good (this test then hangs until its time-out), and a device never ends.
TEST(WavFile, OnlyRegularFilesOpenAndNothingWaitsForAWriter) {
    TempDir dir;
    const std::string fifo = dir.path("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        WavFile wav;
        EXPECT_FALSE(wav.openRead(path.c_str()));
        EXPECT_EQ(errorOf(wav), "Couldn't open file");
        EXPECT_FALSE(wav.isOpen());
    }
    // A regular file behind a symbolic link still opens.
    const std::string real =
        dir.write("real.wav", RiffBuilder().fmt(kFmtMono16).data(pcm16({1})).bytes());
    const std::string link = dir.path("link.wav");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    WavFile wav;
    EXPECT_TRUE(wav.openRead(link.c_str())) << errorOf(wav);
}
#endif

TEST(WavFile, ReadsThroughTheChunkLayoutsWritersProduce) {
    TempDir dir;
    struct Layout {
        const char* name;
        RiffBuilder file;
    };
    const Bytes samples = pcm16({100, -100, 32767, -32768});
    const std::vector<Layout> layouts = {
        {"plain", RiffBuilder().fmt(kFmtStereo16).data(samples)},
        {"data before fmt", RiffBuilder().data(samples).fmt(kFmtStereo16)},
        {"odd LIST between",
         RiffBuilder().fmt(kFmtStereo16).list("INFO", {'a', 'b', 'c'}).data(samples)},
        {"odd chunk before fmt",
         RiffBuilder().chunk("bext", {1, 2, 3, 4, 5}).fmt(kFmtStereo16).data(samples)},
        {"case-different decoys", RiffBuilder()
                                      .chunk("FMT ", fmtData(1, 1, 8000, 8))
                                      .chunk("Data", {9, 9})
                                      .fmt(kFmtStereo16)
                                      .data(samples)},
        {"fmt 18 bytes", RiffBuilder().fmt(fmtData(1, 2, 44100, 16, -1, 2)).data(samples)},
        {"fmt 40 bytes", RiffBuilder().fmt(extensibleFmtData(1, 2, 44100, 16)).data(samples)},
        {"odd-sized fmt", RiffBuilder().fmt(fmtData(1, 2, 44100, 16, -1, 3)).data(samples)},
        {"second data ignored", RiffBuilder().fmt(kFmtStereo16).data(samples).data(pcm16({7, 7}))},
        {"list type read as form type",
         RiffBuilder().fmt(kFmtStereo16).list("data", {0, 0, 0, 0}).data(samples)},
        {"riff size declares 4 GB",
         RiffBuilder().fmt(kFmtStereo16).data(samples).riffSize(0xFFFFFFFF)},
        {"short LIST without form type",
         RiffBuilder().fmt(kFmtStereo16).rawChunk("LIST", 2, {'x', 'y'}).data(samples)},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        WavFile wav;
        ASSERT_TRUE(wav.openRead(dir.write("f.wav", l.file).c_str())) << errorOf(wav);
        EXPECT_EQ(wav.channels(), 2);
        EXPECT_EQ(wav.sampleRate(), 44100u);
        EXPECT_EQ(wav.blockAlign(), 4);
        EXPECT_EQ(wav.bitsPerSample(), 16);
        EXPECT_EQ(wav.dataSize(), 8u);
        std::int16_t got[4] = {};
        EXPECT_TRUE(wav.readSamples16(got, 2));
        EXPECT_EQ(std::vector<std::int16_t>(got, got + 4),
                  (std::vector<std::int16_t>{100, -100, 32767, -32768}));
    }
}

TEST(WavFile, SixteenBitDataReadsWhateverTheTagAndOtherDepthsMismatch) {
    TempDir dir;
    WavFile wav;
    ASSERT_TRUE(wav.openRead(
        dir.write("law.wav", RiffBuilder().fmt(fmtData(7, 1, 8000, 16)).data(pcm16({-5, 5})))
            .c_str()));
    EXPECT_EQ(wav.formatTag(), 7);
    std::int16_t got[2] = {};
    EXPECT_TRUE(wav.readSamples16(got, 2));
    EXPECT_EQ(got[0], -5);
    EXPECT_EQ(got[1], 5);

    for (const std::uint16_t bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        ASSERT_TRUE(wav.openRead(
            dir.write("d.wav", RiffBuilder().fmt(fmtData(1, 1, 8000, bits)).data(Bytes(12, 0x55)))
                .c_str()));
        std::int16_t untouched[2] = {123, 123};
        EXPECT_FALSE(wav.readSamples16(untouched, 1));
        EXPECT_EQ(errorOf(wav), "Sample size mismatch");
        EXPECT_EQ(untouched[0], 123);
        EXPECT_TRUE(wav.isOpen()); // a failed read leaves the file open
    }
}

TEST(WavFile, ShortDataReadsWhatIsThereAndSilencesTheRest) {
    TempDir dir;
    WavFile wav;
    // Declared 16 bytes, 6 present.
    ASSERT_TRUE(wav.openRead(
        dir.write("cut.wav", RiffBuilder().fmt(kFmtMono16).rawChunk("data", 16, pcm16({1, 2, 3})))
            .c_str()));
    EXPECT_EQ(wav.dataSize(), 16u);
    EXPECT_EQ(wav.dataPresent(), 6u);
    std::int16_t got[8];
    std::fill(std::begin(got), std::end(got), std::int16_t{-1});
    EXPECT_FALSE(wav.readSamples16(got, 8));
    EXPECT_EQ(errorOf(wav), "Couldn't read samples");
    EXPECT_EQ(std::vector<std::int16_t>(got, got + 8),
              (std::vector<std::int16_t>{1, 2, 3, 0, 0, 0, 0, 0}));

    // The chunk after the data is never read as samples.
    ASSERT_TRUE(wav.openRead(
        dir.write("more.wav",
                  RiffBuilder().fmt(kFmtStereo16).data(pcm16({1, 2})).list("INFO", {9, 9, 9, 9}))
            .c_str()));
    std::int16_t two[4] = {-1, -1, -1, -1};
    EXPECT_FALSE(wav.readSamples16(two, 2));
    EXPECT_EQ(std::vector<std::int16_t>(two, two + 4), (std::vector<std::int16_t>{1, 2, 0, 0}));

    // A data chunk declaring 4 GB opens; only what the file holds is present.
    ASSERT_TRUE(wav.openRead(
        dir.write("huge.wav",
                  RiffBuilder().fmt(kFmtMono16).rawChunk("data", 0xFFFFFFFF, pcm16({4, 5})))
            .c_str()));
    EXPECT_EQ(wav.dataSize(), 0xFFFFFFFFu);
    EXPECT_EQ(wav.dataPresent(), 4u);
}

TEST(WavFile, ReopeningClosesAndTheLastErrorStays) {
    TempDir dir;
    const std::string good = dir.write("good.wav", RiffBuilder().fmt(kFmtMono16).data(pcm16({1})));
    WavFile wav;
    EXPECT_EQ(wav.lastError(), nullptr);
    EXPECT_FALSE(wav.openRead(dir.path("missing.wav").c_str()));
    ASSERT_TRUE(wav.openRead(good.c_str()));
    EXPECT_EQ(errorOf(wav), "Couldn't open file"); // never cleared
    EXPECT_EQ(wav.channels(), 1);
    EXPECT_FALSE(wav.openRead(dir.write("bad.wav", RiffBuilder().fmt({})).c_str()));
    EXPECT_FALSE(wav.isOpen());
    EXPECT_EQ(wav.channels(), 0); // the failed open does not keep the earlier format
    std::int16_t v = 7;
    EXPECT_FALSE(wav.readSamples16(&v, 1));
    EXPECT_TRUE(wav.close());
}

TEST(RiffReader, DescendsIntoListsAndAscendsBehindThePadByte) {
    TempDir dir;
    const Bytes info = RiffBuilder::chunkBytes("INAM", {'a', 'b', 'c'});
    const std::string path = dir.write(
        "nested.wav", RiffBuilder().list("INFO", info).chunk("odd ", {1, 2, 3}).data(pcm16({42})));
    RiffReader riff(path.c_str());
    ASSERT_TRUE(riff.isOpen());
    EXPECT_STREQ(riff.id(), "RIFF");
    EXPECT_STREQ(riff.formType(), "WAVE");
    EXPECT_FALSE(riff.ascend()); // the outermost chunk stays

    ASSERT_TRUE(riff.descend("LIST"));
    EXPECT_STREQ(riff.formType(), "INFO");
    EXPECT_EQ(riff.size(), 12u);
    ASSERT_TRUE(riff.descend("INAM"));
    EXPECT_EQ(riff.size(), 3u);
    EXPECT_EQ(riff.formType(), nullptr);
    EXPECT_FALSE(riff.descend("data")); // searches only within INAM
    EXPECT_TRUE(riff.ascend());
    EXPECT_FALSE(riff.descend("data")); // only within the LIST
    EXPECT_TRUE(riff.ascend());
    EXPECT_STREQ(riff.id(), "RIFF");

    ASSERT_TRUE(riff.descend("data"));
    std::int16_t v = 0;
    EXPECT_EQ(riff.read(&v, 2), 2u);
    EXPECT_EQ(v, 42);
    riff.close();
    EXPECT_FALSE(riff.isOpen());
    EXPECT_EQ(riff.size(), 0u);
    EXPECT_EQ(riff.id(), nullptr);
}
