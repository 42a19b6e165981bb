// effSetChunk and effGetChunk from a host thread while the audio thread renders the same
// instance and the editor thread serves an open window, and two host threads saving at once. Run
// under ThreadSanitizer (label "threaded"): the audio thread reads the settings and sample frames a
// restore rewrites, and the model lock keeps the restore apart from the editor thread.
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

TEST(ChunkThreads, RestoresAndSavesWhileTheAudioAndEditorThreadsRun) {
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
    const auto chunk = [&] {
        void* data = nullptr;
        const std::intptr_t size = dispatch(vst::effGetChunk, 0, 0, static_cast<void*>(&data));
        return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
    };
    const auto restore = [&](std::string bytes) {
        return dispatch(vst::effSetChunk, 0, static_cast<std::intptr_t>(bytes.size()),
                        bytes.data());
    };
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> samples(std::size_t{12} * 128);
        std::array<float*, 12> out{};
        for (int c = 0; c < 12; ++c) {
            out[static_cast<std::size_t>(c)] =
                samples.data() + static_cast<std::ptrdiff_t>(c) * 128;
        }
        // A pattern and a slot note play: the audio thread reads what the restores rewrite.
        EventList notes{{0, 0x9e, 60, 100}, {0, 0x90, 60, 100}};
        dispatch(vst::effProcessEvents, 0, 0, notes.events());
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
        EXPECT_EQ(restore(round % 2 == 0 ? a : b), 1);
        // The editor thread's keys change the lane meanwhile: the samples tell the states apart.
        EXPECT_NE(chunk().find(round % 2 == 0 ? "/a.wav\"" : "/b.wav\""), std::string::npos);
        EXPECT_EQ(restore("{\"format\": \"quovent-bank\", \"version\": 3}"), 0); // no change
    }
    done = true;
    audio.join();
    editorThread.join();
    dispatch(vst::effClose);
}

} // namespace
} // namespace quovent::test
