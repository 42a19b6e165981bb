// The host's two threads on one instance of the loaded plug-in: the audio thread delivers
// events and renders blocks while the control thread asks texts, the editor rectangle,
// parameters and resumes, as hosts do. Run under ThreadSanitizer (label "threaded").
#include "tests/support/TestHost.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace quovent;
using quovent::test::AudioBuffers;
using quovent::test::EventList;
using quovent::test::TestHost;

TEST(PluginThreads, AudioAndControlThreadsShareAnInstance) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    host.prepare(44100.0f, 128);

    constexpr int kBlocks = 300;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        AudioBuffers out(128);
        for (int block = 0; block < kBlocks; ++block) {
            EventList midi;
            if (block % 50 == 0) {
                midi.add({0, 0x9e, static_cast<std::uint8_t>(60 + block / 50), 100});
                midi.add({64, 0x90, 60, 100});
            }
            if (block % 50 == 25) {
                midi.add({0, 0x8e, static_cast<std::uint8_t>(60 + block / 50), 0});
                midi.add({5, 0x80, 60, 0});
            }
            host.sendEvents(midi);
            if (block % 2 == 0) {
                host.process(out);
            } else {
                host.processReplacing(out);
            }
        }
        done = true;
    });

    int rounds = 0;
    while (!done || rounds == 0) {
        EXPECT_EQ(host.text(vst::effGetEffectName), "quovent");
        vst::ERect* rect = nullptr;
        host.dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&rect));
        host.dispatch(vst::effEditIdle);
        host.setParameter(145, 0.5f);
        host.getParameter(141);
        vst::VstPinProperties pin{};
        host.dispatch(vst::effGetOutputProperties, rounds % 12, 0, &pin);
        ++rounds;
    }
    audio.join();
    EXPECT_EQ(host.count(vst::audioMasterGetTime), static_cast<std::size_t>(kBlocks));
}
