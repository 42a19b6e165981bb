// Values from the host are untrusted: NaN, infinities and huge numbers on every automated
// parameter, while notes and a pattern play, never make the output anything but finite
// numbers, and the sound comes back when sane values return.
//
// Everything goes through the loaded library as a host drives it. The parameters act on the
// editor's current slot, which only a control of the window sets, and the sample comes from
// a file dropped on the window: so the editor is opened in a plain X11 window and given
// real pointer events (XTest) and an XDND drop, with the host's idle driving it.
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/TestWav.hpp"

// Xlib defines macros such as None and Status.
#include "tests/support/EditorWindowFixture.hpp"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

constexpr int kBlock = 256;
// Where the layout puts slot 1's controls (frame coordinates).
constexpr Point kName{126, 90};
constexpr Point kStep0{54, 118};
constexpr Point kVolume{455, 111};

class UntrustedValues : public EditorWindowFixture {
protected:
    void setUpEditor() override {
        openParent();
        // A control that tracks the mouse calls the host's idle in its loop, which plays the
        // input's script.
        host.answers.custom = [this](const HostCall& call) -> std::optional<std::intptr_t> {
            if (call.opcode == vst::audioMasterIdle) {
                input.step();
            }
            return std::nullopt;
        };
        host.setTempo(120.0);
        ASSERT_NE(host.open(), nullptr);
        host.prepare(44100.0f, kBlock);
        ASSERT_EQ(host.dispatch(vst::effEditOpen, 0, 0, parentId()), 1);
        ASSERT_EQ(editorWindows().size(), 1u) << "the editor's frame window";
        attach([this] { host.dispatch(vst::effEditIdle); });
        input.pump(5);
    }
    void tearDownEditor() override {
        if (host.effect() != nullptr) {
            host.dispatch(vst::effEditClose);
            host.close();
        }
    }

    // Renders blocks with the replacing entry; false at the first sample that is not a
    // finite number. peak gets the largest magnitude.
    bool renderFinite(int blocks, float& peak) {
        AudioBuffers out(kBlock);
        peak = 0.0f;
        for (int b = 0; b < blocks; ++b) {
            if (b % 8 == 0) { // a note on slot 1 now and then, the pattern runs throughout
                host.sendMidi({{0, 0x80, 60, 0}, {1, 0x90, 60, 110}});
            }
            out.fill(0.0f);
            host.processReplacing(out);
            for (int c = 0; c < AudioBuffers::kChannels; ++c) {
                for (int i = 0; i < kBlock; ++i) {
                    const float v = out.channel(c)[i];
                    if (!std::isfinite(v)) {
                        return false;
                    }
                    peak = std::max(peak, std::fabs(v));
                }
            }
        }
        return true;
    }

    TestHost host;
    ScratchDirectory dir{"quovent-untrusted"};
};

TEST_F(UntrustedValues, NonFiniteAndHugeParametersNeverReachTheOutput) {
    // Slot 1 gets a sample, step 1 of pattern 0 and becomes the current slot.
    const fs::path wav = dir.path() / "level.wav";
    TestWav::constant(44100, 20000).write(wav);
    ASSERT_TRUE(dropFile(wav, kName));
    heldClick(kStep0);
    heldClick(kVolume);
    ASSERT_FALSE(host.calls(vst::audioMasterAutomate).empty()) << "no current slot yet";
    const std::int32_t volumeIndex = host.calls(vst::audioMasterAutomate).back().index;
    EXPECT_EQ(volumeIndex, 141);

    host.sendMidi({{0, 0x9e, 60, 127}}); // pattern 0 on channel 15
    float peak = 0.0f;
    ASSERT_TRUE(renderFinite(40, peak));
    ASSERT_GT(peak, 0.01f) << "notes and the pattern sound";

    constexpr float kInf = std::numeric_limits<float>::infinity();
    const float bad[] = {std::nanf(""),
                         -std::nanf(""),
                         kInf,
                         -kInf,
                         1.0e30f,
                         -1.0e30f,
                         std::numeric_limits<float>::max(),
                         std::numeric_limits<float>::denorm_min()};
    const std::int32_t indexes[] = {141, 142, 145, 153, 154, 157};
    // Each value on each parameter alone, then all parameters bad at once.
    for (const std::int32_t index : indexes) {
        const float sane = host.getParameter(index);
        for (const float v : bad) {
            host.setParameter(index, v);
            ASSERT_TRUE(std::isfinite(host.getParameter(index))) << index << " " << v;
            ASSERT_TRUE(renderFinite(6, peak)) << "parameter " << index << " = " << v;
        }
        host.setParameter(index, sane);
    }
    for (const float v : bad) {
        for (const std::int32_t index : indexes) {
            host.setParameter(index, v);
        }
        ASSERT_TRUE(renderFinite(6, peak)) << "every parameter = " << v;
    }

    // Sane values again: the voices were never poisoned, the sound is back.
    host.setParameter(141, 0.8f);
    host.setParameter(142, 1.0f);
    host.setParameter(145, 0.5f);
    host.setParameter(153, 1.0f);
    host.setParameter(154, 0.0f);
    host.setParameter(157, 0.5f);
    ASSERT_TRUE(renderFinite(40, peak));
    EXPECT_GT(peak, 0.01f);

    // Absurd rates and tempos from the host as well.
    for (const float rate : {std::nanf(""), kInf, 1.0e-30f, 1.0e30f, -44100.0f}) {
        host.dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate);
        host.dispatch(vst::effSetBlockSizeAndSampleRate, 0, kBlock, nullptr, rate);
        ASSERT_TRUE(renderFinite(4, peak)) << "rate " << rate;
    }
    for (const double tempo : {std::nan(""), 1.0e300, -120.0, 0.0, 1.0e-300}) {
        host.setTempo(tempo);
        ASSERT_TRUE(renderFinite(4, peak)) << "tempo " << tempo;
    }
}

} // namespace
} // namespace quovent::test
