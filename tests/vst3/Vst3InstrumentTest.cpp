// The loaded VST 3 bundle's own ways with the instrument (the promises every format keeps are
// the conformance suite's): buses and channels a host leaves out, state streams that fail,
// stop or lie, automation outside the block or for no parameter, and the host asked to read
// the parameters again after a restore.
#include "instrument/ParameterTable.hpp"
#include "tests/support/DemoGroove.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using namespace quovent::vst3;
using quovent::ParameterTable;
using quovent::SlotField;
using quovent::test::Vst3EventList;
using quovent::test::Vst3Instance;
using quovent::test::Vst3MemoryStream;
using quovent::test::Vst3Module;
using quovent::test::Vst3OutputBuffers;
using quovent::test::Vst3ParameterChanges;

namespace {

constexpr int kBlock = 256;
constexpr float kRate = 44100.0f;
constexpr int kOutputs = 12;

std::string demoGroove() {
    return quovent::test::absoluteDemoGroove(QUOVENT_DEMO_DIR);
}

float peak(const std::vector<float>& samples) {
    float p = 0.0f;
    for (const float s : samples) {
        p = std::max(p, std::fabs(s));
    }
    return p;
}

class Vst3Instrument : public ::testing::Test {
protected:
    Vst3Module module;
};

} // namespace

TEST_F(Vst3Instrument, MissingBusesAndChannelsStillRenderTheOthers) {
    Vst3Instance plugin(module);
    ASSERT_EQ(plugin.setUp(kRate, kBlock), kResultOk);
    ASSERT_EQ(plugin.setState(demoGroove()), kResultOk);
    Vst3OutputBuffers out(kBlock, 0.5f);
    out.buses()[0].channelBuffers32[1] = nullptr; // the main bus's right channel is missing
    out.buses()[2].channelBuffers32 = nullptr;
    Vst3EventList events;
    events.add(Vst3EventList::noteOn(0, 9, 60, 1.0f));
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = kBlock;
    data.numOutputs = 2; // only the first two buses are handed over
    data.outputs = out.buses();
    data.inputEvents = &events;
    ASSERT_EQ(plugin.processor()->process(&data), kResultOk);
    EXPECT_GT(peak(std::vector<float>(out.channel(0), out.channel(0) + kBlock)), 0.05f);
    EXPECT_EQ(out.buses()[0].silenceFlags, 2u); // no buffer, no sound
    EXPECT_EQ(out.buses()[1].silenceFlags, 3u);
    // Buses the host did not hand over are not touched.
    for (int c = 4; c < kOutputs; ++c) {
        EXPECT_EQ(out.channel(c)[0], 0.5f) << c;
    }
}

TEST_F(Vst3Instrument, HostileStateStreamsAreRefusedWithNothingChanged) {
    Vst3Instance plugin(module);
    ASSERT_EQ(plugin.setUp(kRate, kBlock), kResultOk);
    const std::string groove = demoGroove();
    ASSERT_EQ(plugin.setState(groove), kResultOk);
    const std::optional<std::string> before = plugin.state();
    ASSERT_TRUE(before);
    const double shuffle = plugin.controller()->getParamNormalized(ParameterTable::kShuffle);

    int streams = 0;
    auto refused = [&](Vst3MemoryStream& stream, const std::string& what) {
        ++streams;
        EXPECT_NE(plugin.component()->setState(&stream), kResultOk) << what;
    };
    // Too long, failing part way, lying about what they read.
    for (const bool seekable : {true, false}) {
        Vst3MemoryStream huge(std::string(4 * 1024 * 1024 + 1, ' '));
        huge.seekable = seekable;
        refused(huge, "huge");
        for (const std::int64_t after : {0, 1, 500, 4000}) {
            Vst3MemoryStream failing(groove);
            failing.seekable = seekable;
            failing.chunk = 1000;
            failing.failAfter = after;
            refused(failing, "failing after " + std::to_string(after));
        }
        Vst3MemoryStream lying(groove);
        lying.seekable = seekable;
        lying.overstate = 3;
        refused(lying, "lying");
    }
    EXPECT_GE(streams, 10);
    EXPECT_EQ(plugin.state(), before);
    EXPECT_DOUBLE_EQ(plugin.controller()->getParamNormalized(ParameterTable::kShuffle), shuffle);
    // The groove still sounds.
    Vst3OutputBuffers out(kBlock);
    Vst3EventList kick;
    kick.add(Vst3EventList::noteOn(0, 9, 60, 1.0f));
    ASSERT_EQ(plugin.process(out, &kick), kResultOk);
    EXPECT_GT(out.peak(), 0.05f);
}

TEST_F(Vst3Instrument, HostileAutomationIsClampedOrIgnored) {
    Vst3Instance plugin(module);
    ASSERT_EQ(plugin.setUp(kRate, kBlock), kResultOk);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const ParamID pan = ParameterTable::slotParameter(2, SlotField::Pan);
    Vst3ParameterChanges changes;
    changes.add(pan, 0, 0.25);
    changes.add(pan, -50, nan);      // no value, and before the block
    changes.add(pan, 1 << 30, -inf); // after the block: at its last frame, clamped
    changes.add(ParameterTable::kShuffle, 7, 1.0e300);
    changes.add(999999, 3, 0.5);
    changes.add(kNoParamId, 3, 0.5);
    Vst3OutputBuffers out(kBlock);
    ASSERT_EQ(plugin.process(out, nullptr, &changes), kResultOk);
    EXPECT_DOUBLE_EQ(plugin.controller()->getParamNormalized(pan), 0.0);
    EXPECT_DOUBLE_EQ(plugin.controller()->getParamNormalized(ParameterTable::kShuffle), 1.0);
    // A block of no frames carries parameter changes only.
    Vst3ParameterChanges flush;
    flush.add(pan, 0, 0.75);
    Vst3OutputBuffers none(0);
    ASSERT_EQ(plugin.process(none, nullptr, &flush), kResultOk);
    EXPECT_DOUBLE_EQ(plugin.controller()->getParamNormalized(pan), 0.75);
}

TEST_F(Vst3Instrument, ARestoredStateAsksTheHostToReadTheParametersAgain) {
    Vst3Instance plugin(module);
    ASSERT_EQ(plugin.controller()->setComponentHandler(&plugin.handler()), kResultOk);
    ASSERT_EQ(plugin.setState(demoGroove()), kResultOk);
    EXPECT_EQ(plugin.handler().restarts(), std::vector<int32>{kParamValuesChanged});
    EXPECT_NE(plugin.setState("not a groove"), kResultOk);
    EXPECT_EQ(plugin.handler().restarts().size(), 1u); // a refusal changed nothing
    ASSERT_EQ(plugin.controller()->setComponentHandler(nullptr), kResultOk);
    EXPECT_EQ(plugin.handler().references(), 0u);
}
