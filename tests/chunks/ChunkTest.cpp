// The state in the host's project through the loaded plug-in: effGetChunk hands over the
// groove bank text, effSetChunk takes it back all-or-nothing. Hostile chunks (mutated,
// random, oversized, deeply nested, null) are answered 0 and leave the instance exactly as
// it was; the ASan build runs these too.
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

TEST_F(Chunks, TheWholeStateComesBackInAFreshInstanceAndSoundsTheSame) {
    ASSERT_EQ(host.setChunk(richState(dir.path())), 1);
    const std::string saved = host.getChunk(0);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(host.getChunk(1), saved) << "the bank and the program chunk are the same";
    // The bank text, written by the export code, with every path absolute.
    EXPECT_EQ(saved.rfind("{\n  \"format\": \"quovent-bank\",\n  \"version\": 1,", 0), 0u);
    EXPECT_NE(saved.find("\"samplePath\": \"" + (dir / "kit/snare.wav").string() + "\""),
              std::string::npos);
    EXPECT_NE(saved.find("\"bank\": 1,\n  \"key\": 1,"), std::string::npos);

    TestHost fresh;
    prepare(fresh);
    ASSERT_EQ(fresh.setChunk(saved), 1);
    EXPECT_EQ(fresh.getChunk(), saved);
    for (const int note : {60, 73}) {
        SCOPED_TRACE("pattern note " + std::to_string(note));
        const std::vector<float> a = renderPattern(host, note, 200);
        const std::vector<float> b = renderPattern(fresh, note, 200);
        EXPECT_GT(peakOf(a), 0.1f);
        EXPECT_TRUE(a == b) << "same state, same audio";
    }
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
        (dir / "moved-away.wav").string() + R"("}, {"samplePath": ")" +
        (dir / "kick.wav").string() + R"("}], "patterns": [{"rows": [{"stepOn": )" +
        stepsJson("xxxxxxxxxxxxxxxx") + "}]}]}";
    ASSERT_EQ(host.setChunk(state), 1);
    const std::string saved = host.getChunk();
    EXPECT_NE(saved.find((dir / "moved-away.wav").string()), std::string::npos);
    EXPECT_EQ(peakOf(renderPattern(host, 60, 100)), 0.0f) << "slot 1 is silent";
    // The file comes back: the next restore loads it.
    writeWav(dir / "moved-away.wav", 4000, 20000);
    ASSERT_EQ(host.setChunk(saved), 1);
    EXPECT_GT(peakOf(renderPattern(host, 60, 100)), 0.1f);
}

// Variations of a valid state that are refused, each with the reason it must be.
std::vector<std::pair<std::string, std::string>> refusedTexts(const std::string& valid,
                                                              const std::string& kick) {
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = valid;
        const auto at = text.find(from);
        return at == std::string::npos ? std::string("not found: ") + from
                                       : text.replace(at, from.size(), to);
    };
    std::vector<std::pair<std::string, std::string>> cases = {
        {"not a bank", R"({"hello": 1})"},
        {"an array", "[1, 2, 3]"},
        {"a number", "42"},
        {"only blanks", "   \n\t  "},
        {"two documents", valid + valid},
        {"trailing garbage", valid + "x"},
        {"wrong format", with("\"quovent-bank\"", "\"quovent-bonk\"")},
        {"version 0", with("\"version\": 1", "\"version\": 0")},
        {"version 2", with("\"version\": 1", "\"version\": 2")},
        {"version -1", with("\"version\": 1", "\"version\": -1")},
        {"version as text", with("\"version\": 1", "\"version\": \"1\"")},
        {"version fraction", with("\"version\": 1", "\"version\": 1.5")},
        {"no version", with("\"version\": 1,", "")},
        {"volume above 1", with("\"volume\": 0.8", "\"volume\": 1.5")},
        {"volume below 0", with("\"volume\": 0.8", "\"volume\": -0.1")},
        {"volume huge", with("\"volume\": 0.8", "\"volume\": 1e999")},
        {"volume as text", with("\"volume\": 0.8", "\"volume\": \"0.8\"")},
        {"output pair 7", with("\"outputPair\": 2", "\"outputPair\": 7")},
        {"output pair 0", with("\"outputPair\": 2", "\"outputPair\": 0")},
        {"filter mode 4", with("\"filterMode\": 1", "\"filterMode\": 4")},
        {"filter mode 1.0", with("\"filterMode\": 1", "\"filterMode\": 1.0")},
        {"key 12", with("\"key\": 1", "\"key\": 12")},
        {"bank 2", with("\"bank\": 1", "\"bank\": 2")},
        {"bank -1", with("\"bank\": 1", "\"bank\": -1")},
        {"shuffle 2", with("\"shuffleAmount\": 0.3", "\"shuffleAmount\": 2")},
        {"step as number", with("\"stepOn\": [true", "\"stepOn\": [1")},
        {"flag as number", with("\"sync\": true", "\"sync\": 1")},
        {"short lane", with("\"stepOn\": [true, ", "\"stepOn\": [")},
        {"long lane", with("\"stepOn\": [true, ", "\"stepOn\": [true, true, ")},
        {"unknown key", with("\"volume\": 0.8", "\"volume\": 0.8, \"colour\": 3")},
        {"relative path", with(kick, "kit/kick.wav")},
        {"zero in a path", with("/kit/kick.wav", "/kit/ki\\u0000ck.wav")},
        {"path too long", with("/kit/kick.wav", "/" + std::string(600, 'k') + ".wav")},
        {"path not text", with("\"samplePath\": \"", "\"samplePath\": 7, \"x\": \"")},
        {"nine slots", with("\"slots\": [", "\"slots\": [{}, {}, {}, {}, {}, {}, {}, {},")},
        {"slot not an object", with("\"slots\": [", "\"slots\": [3, ")},
        {"stray byte", with("\"format\"", "\"for\xff"
                                          "mat\"")},
        {"bad escape", with("\"format\"", "\"for\\qmat\"")},
        {"nesting 17", std::string(17, '[') + std::string(17, ']')},
        {"nesting 1000", std::string(1000, '{')},
        {"nesting 100000", std::string(100000, '[')},
        {"unclosed string", "{\"format\": \"quovent-bank"},
        {"zero bytes", std::string(100, '\0')},
    };
    std::string patterns = "\"patterns\": [";
    for (int p = 0; p < 25; ++p) {
        patterns += p == 0 ? "{}" : ", {}";
    }
    cases.push_back({"25 patterns", with("\"patterns\": [", patterns + ", ")});
    return cases;
}

TEST_F(Chunks, HostileChunksAreRefusedAndLeaveTheInstanceExactlyAsItWas) {
    ASSERT_EQ(host.setChunk(richState(dir.path())), 1);
    const std::string before = host.getChunk();
    int refused = 0;
    int accepted = 0;
    // An accepted variation must itself read back to what it says; the state is then set
    // back for the next case.
    const auto attempt = [&](const std::string& name, const std::intptr_t answer) {
        SCOPED_TRACE(name);
        const std::string now = host.getChunk();
        if (answer == 0) {
            ++refused;
            EXPECT_EQ(now, before) << "a refused chunk changed the state";
            return;
        }
        ++accepted;
        EXPECT_EQ(answer, 1);
        TestHost other;
        ASSERT_NE(other.open(), nullptr);
        EXPECT_EQ(other.setChunk(now), 1);
        EXPECT_EQ(other.getChunk(), now);
        ASSERT_EQ(host.setChunk(before), 1);
    };

    for (const auto& [name, text] : refusedTexts(before, (dir / "kit/kick.wav").string())) {
        ASSERT_EQ(text.rfind("not found", 0), std::string::npos) << name;
        const std::intptr_t answer = host.setChunk(text);
        EXPECT_EQ(answer, 0) << name;
        attempt(name, answer);
    }

    // Cut short anywhere but at the very end.
    for (std::size_t cut = 0; cut + 2 < before.size(); cut += before.size() / 37 + 1) {
        const std::intptr_t answer = host.setChunk(before.substr(0, cut));
        EXPECT_EQ(answer, 0) << "cut at " << cut;
        attempt("cut at " + std::to_string(cut), answer);
    }

    // Single bytes changed: some land in a number or a blank and still make a valid state.
    std::mt19937 rng(12);
    for (int k = 0; k < 60; ++k) {
        std::string text = before;
        const std::size_t at = rng() % text.size();
        text[at] = static_cast<char>(rng() % 256);
        attempt("byte " + std::to_string(at), host.setChunk(text));
    }

    // Random bytes, and random bytes behind a valid beginning.
    for (int k = 0; k < 20; ++k) {
        std::string text(1 + rng() % 5000, '\0');
        for (char& c : text) {
            c = static_cast<char>(rng() % 256);
        }
        if (k % 2 == 1) {
            text.insert(0, before.substr(0, rng() % before.size()));
        }
        const std::intptr_t answer = host.setChunk(text);
        EXPECT_EQ(answer, 0);
        attempt("random " + std::to_string(k), answer);
    }

    // Sizes: none, negative, just above the largest state, 16 MiB, and sizes far beyond
    // the buffer (which must not be read at all).
    const std::string small = before.substr(0, 64);
    const auto sized = [&](const std::string& name, void* data, std::intptr_t size) {
        const std::intptr_t answer = host.dispatch(vst::effSetChunk, 0, size, data);
        EXPECT_EQ(answer, 0) << name;
        attempt(name, answer);
    };
    std::string buffer = before;
    sized("empty", buffer.data(), 0);
    sized("negative", buffer.data(), -1);
    sized("most negative", buffer.data(), std::numeric_limits<std::intptr_t>::min());
    sized("null pointer", nullptr, static_cast<std::intptr_t>(before.size()));
    sized("null pointer, no size", nullptr, 0);
    sized("beyond 32 bits", buffer.data(), (std::intptr_t{1} << 32) + 10);
    sized("largest size", buffer.data(), std::numeric_limits<std::intptr_t>::max());
    for (const std::size_t bytes : {std::size_t{4} * 1024 * 1024 + 1, std::size_t{16} << 20}) {
        std::string huge(bytes, ' ');
        huge.replace(0, before.size(), before);
        sized(std::to_string(bytes) + " bytes", huge.data(), static_cast<std::intptr_t>(bytes));
    }

    std::printf("refused %d accepted %d\n", refused, accepted);
    EXPECT_GE(refused + accepted, 100);
    EXPECT_GE(refused, 100);
    // The samples were never touched by a refusal: the instance sounds like a fresh one
    // given the same state.
    TestHost fresh;
    prepare(fresh);
    ASSERT_EQ(fresh.setChunk(before), 1);
    EXPECT_TRUE(renderPattern(host, 60, 120) == renderPattern(fresh, 60, 120));
}

TEST_F(Chunks, AStateAsLargeAsAllowedIsStillRead) {
    // Blanks around a valid state up to the size limit: read by size, not by a zero.
    std::string text = host.getChunk();
    text.append(std::size_t{4} * 1024 * 1024 - text.size(), ' ');
    EXPECT_EQ(host.setChunk(text), 1);
    text.push_back(' ');
    EXPECT_EQ(host.setChunk(text), 0);
}

} // namespace
} // namespace quovent::test
