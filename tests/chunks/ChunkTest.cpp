// The state in the host's project through the loaded plug-in, as only VST 2 hands it over:
// effGetChunk gives the groove bank text (the bank and the program chunk alike) and keeps it
// until the next request, effSetChunk reads by size and never past a size that lies. What
// every format promises of its state is the conformance suite's.
#include "ChunkTestSupport.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace quovent::test {
namespace {

class Chunks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        ASSERT_NE(host.open(), nullptr);
        host.prepare(44100.0f, 512);
    }
    // A second instance of the same library, prepared alike.
    static void prepare(TestHost& other) {
        ASSERT_NE(other.open(), nullptr);
        other.prepare(44100.0f, 512);
    }

    ScratchDir dir;
    TestHost host;
};

TEST_F(Chunks, TheChunkIsTheGrooveBankTextWithEveryPathAbsolute) {
    ASSERT_EQ(host.setChunk(richState(dir.path())), 1);
    const std::string saved = host.getChunk(0);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(host.getChunk(1), saved) << "the bank and the program chunk are the same";
    // The bank text, written by the export code, with every path absolute.
    EXPECT_EQ(saved.rfind("{\n  \"format\": \"quovent-bank\",\n  \"version\": 1,", 0), 0u);
    EXPECT_NE(saved.find("\"samplePath\": \"" + jsonPath(dir / "kit/snare.wav") + "\""),
              std::string::npos);
    EXPECT_NE(saved.find("\"bank\": 1,\n  \"key\": 1,"), std::string::npos);
}

TEST_F(Chunks, TheHandedOverBytesStayUntilTheNextRequest) {
    void* first = nullptr;
    const std::intptr_t size = host.dispatch(vst::effGetChunk, 0, 0, static_cast<void*>(&first));
    ASSERT_GT(size, 0);
    const std::string copy(static_cast<const char*>(first), static_cast<std::size_t>(size));
    // Changing the state does not touch what the host holds.
    ASSERT_EQ(host.setChunk(richState(dir.path())), 1);
    host.dispatch(vst::effEditIdle);
    EXPECT_EQ(std::string(static_cast<const char*>(first), static_cast<std::size_t>(size)), copy);
    EXPECT_NE(host.getChunk(), copy);
    // A fresh instance's state is the defaults, and reads back as it was written.
    TestHost fresh;
    prepare(fresh);
    EXPECT_EQ(fresh.getChunk(), copy);
    ASSERT_EQ(fresh.setChunk(copy), 1);
    EXPECT_EQ(fresh.getChunk(), copy);
    EXPECT_EQ(host.dispatch(vst::effGetChunk), 0) << "null pointer: nothing is written";
}

TEST_F(Chunks, AMissingSampleKeepsItsPathAndPlaysSilence) {
    writeWav(dir / "kick.wav", 4000, 20000);
    const std::string state =
        R"({"format": "quovent-bank", "version": 1, "slots": [{"samplePath": ")" +
        jsonPath(dir / "moved-away.wav") + R"("}, {"samplePath": ")" + jsonPath(dir / "kick.wav") +
        R"("}], "patterns": [{"rows": [{"stepOn": )" + stepsJson("xxxxxxxxxxxxxxxx") + "}]}]}";
    ASSERT_EQ(host.setChunk(state), 1);
    const std::string saved = host.getChunk();
    EXPECT_NE(saved.find(jsonPath(dir / "moved-away.wav")), std::string::npos);
    EXPECT_EQ(peakOf(renderPattern(host, 60, 100)), 0.0f) << "slot 1 is silent";
    // The file comes back: the next restore loads it.
    writeWav(dir / "moved-away.wav", 4000, 20000);
    ASSERT_EQ(host.setChunk(saved), 1);
    EXPECT_GT(peakOf(renderPattern(host, 60, 100)), 0.1f);
}

// What the chunk call alone can get wrong (hostile texts are the conformance suite's): sizes
// and pointers that lie, which must not be read at all.
TEST_F(Chunks, ChunkSizesAndPointersThatLieAreRefusedUnread) {
    ASSERT_EQ(host.setChunk(richState(dir.path())), 1);
    const std::string before = host.getChunk();
    std::string buffer = before;
    const auto sized = [&](const std::string& name, void* data, std::intptr_t size) {
        EXPECT_EQ(host.dispatch(vst::effSetChunk, 0, size, data), 0) << name;
        EXPECT_EQ(host.getChunk(), before) << name;
    };
    sized("empty", buffer.data(), 0);
    sized("negative", buffer.data(), -1);
    sized("most negative", buffer.data(), std::numeric_limits<std::intptr_t>::min());
    sized("null pointer", nullptr, static_cast<std::intptr_t>(before.size()));
    sized("null pointer, no size", nullptr, 0);
    if constexpr (sizeof(std::intptr_t) > 4) { // a 64-bit host's size the int32 cannot hold
        sized("beyond 32 bits", buffer.data(),
              static_cast<std::intptr_t>((std::int64_t{1} << 32) + 10));
    }
    sized("largest size", buffer.data(), std::numeric_limits<std::intptr_t>::max());
    std::string huge(std::size_t{16} << 20, ' ');
    huge.replace(0, before.size(), before);
    sized("16 MiB", huge.data(), static_cast<std::intptr_t>(huge.size()));
}

} // namespace
} // namespace quovent::test
