// effSetChunk and effGetChunk from a host thread while the audio thread renders the same
// instance, and while the editor thread serves an open window. Run under ThreadSanitizer
// (label "threaded"): the audio thread reads the settings and sample frames a restore
// rewrites, and the model lock keeps the restore apart from the editor thread.
#include "ChunkTestSupport.hpp"
#include "editor/Editor.hpp"
#include "formats/vst2/PluginMain.hpp"
#include "formats/vst2/Vst2Plugin.hpp"
#include "platform/stub/StubWindowSystem.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUOVENT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUOVENT_SANITIZED 1
#endif
#endif

namespace quovent::test {
namespace {

// Restores of the whole state, one after the other. A sanitized debug build parses a state
// in about two seconds; a few rounds there are enough to show a race.
#ifdef QUOVENT_SANITIZED
constexpr int kRounds = 6;
#else
constexpr int kRounds = 50;
#endif

// Two states that differ in every part a restore rewrites: samples, settings, steps.
std::pair<std::string, std::string> twoStates(const fs::path& dir) {
    writeWav(dir / "a.wav", 20000, 20000);
    writeWav(dir / "b.wav", 5000, 9000);
    const auto state = [&](const char* sample, const char* steps, double volume, int key) {
        return R"({"format": "quovent-bank", "version": 1, "key": )" + std::to_string(key) +
               R"(, "shuffleAmount": 0.2, "slots": [{"samplePath": ")" + jsonPath(dir / sample) +
               R"(", "volume": )" + std::to_string(volume) + R"(, "sync": true},
                 {"samplePath": ")" +
               jsonPath(dir / sample) + R"("}], "patterns": [{"rows": [{"stepOn": )" +
               stepsJson(steps) + "}, {\"stepOn\": " + stepsJson(steps) + "}]}]}";
    };
    return {state("a.wav", "x.x.x.x.x.x.x.x.", 0.9, 0), state("b.wav", "xxxxxxxxxxxxxxxx", 0.2, 0)};
}

TEST(ChunkThreads, RestoresAndSavesWhileTheAudioThreadRenders) {
    ScratchDir dir;
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    host.prepare(44100.0f, 256);
    const auto [first, second] = twoStates(dir.path());
    ASSERT_EQ(host.setChunk(first), 1);
    const std::string a = host.getChunk();
    ASSERT_EQ(host.setChunk(second), 1);
    const std::string b = host.getChunk();

    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        AudioBuffers out(256);
        host.sendMidi({{0, 0x9e, 60, 100}, {0, 0x90, 60, 100}});
        while (!done) {
            host.processReplacing(out);
            if (++blocks % 64 == 0) {
                host.sendMidi({{0, 0x99, 61, 100}});
            }
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        EXPECT_EQ(host.setChunk(round % 2 == 0 ? a : b), 1);
        const std::string now = host.getChunk(round % 2);
        EXPECT_TRUE(now == a || now == b);
        host.setChunk("{\"format\": \"quovent-bank\", \"version\": 3}"); // refused, no change
        host.dispatch(vst::effEditIdle);
    }
    done = true;
    audio.join();
    EXPECT_GT(blocks.load(), 0);
    EXPECT_EQ(host.getChunk(), b);
}

// Two host threads saving the project at once (an autosave beside the user's own save) each
// copy a whole state out of the buffer they were handed: the other thread's save never
// rewrites or frees it meanwhile.
TEST(ChunkThreads, TwoThreadsSavingAtOnceEachGetTheWholeState) {
    ScratchDir dir;
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    host.prepare(44100.0f, 256);
    ASSERT_EQ(host.setChunk(twoStates(dir.path()).first), 1);
    const std::string expected = host.getChunk();
    std::atomic<int> torn{0};
    const auto saver = [&] {
        for (int round = 0; round < kRounds * 4; ++round) {
            if (host.getChunk() != expected) {
                ++torn;
            }
        }
    };
    std::thread one(saver);
    std::thread two(saver);
    one.join();
    two.join();
    EXPECT_EQ(torn.load(), 0);
}

std::intptr_t QUOVENT_VSTCALL quietHost(vst::AEffect*, std::int32_t opcode, std::int32_t,
                                        std::intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

TEST(ChunkThreads, RestoresAndSavesWhileTheEditorThreadServesItsWindow) {
    ScratchDir dir;
    const auto [a, b] = twoStates(dir.path());
    vst::AEffect* effect = pluginMain(&quietHost);
    ASSERT_NE(effect, nullptr);
    auto* plugin = static_cast<Vst2Plugin*>(EffectBase::fromEffect(effect));
    plugin->sequencerEditor()->setWindowSystemFactory(
        [] { return std::make_unique<platform::stub::StubWindowSystem>(); });
    const auto dispatch = [effect](std::int32_t opcode, std::int32_t index = 0,
                                   std::intptr_t value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    };
    dispatch(vst::effSetSampleRate);
    dispatch(vst::effMainsChanged, 0, 1);

    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> samples(std::size_t{12} * 128);
        std::array<float*, 12> out{};
        for (int c = 0; c < 12; ++c) {
            out[static_cast<std::size_t>(c)] =
                samples.data() + static_cast<std::ptrdiff_t>(c) * 128;
        }
        while (!done) {
            effect->processReplacing(effect, nullptr, out.data(), 128);
        }
    });
    std::thread editorThread([&] {
        int round = 0;
        while (!done) {
            if (round % 20 == 0) {
                dispatch(vst::effEditClose);
                dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(1));
            }
            dispatch(vst::effEditIdle);
            dispatch(vst::effEditKeyDown, round % 2 == 0 ? 'v' : 'p');
            ++round;
        }
        dispatch(vst::effEditClose);
    });
    for (int round = 0; round < kRounds; ++round) {
        std::string bytes = round % 2 == 0 ? a : b;
        EXPECT_EQ(effect->dispatcher(effect, vst::effSetChunk, 0,
                                     static_cast<std::intptr_t>(bytes.size()), bytes.data(), 0.0f),
                  1);
        void* data = nullptr;
        EXPECT_GT(dispatch(vst::effGetChunk, 0, 0, static_cast<void*>(&data)), 0);
    }
    done = true;
    audio.join();
    editorThread.join();
    dispatch(vst::effClose);
}

} // namespace
} // namespace quovent::test
