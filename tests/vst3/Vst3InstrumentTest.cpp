// The loaded VST 3 bundle plays the instrument: for the same groove, notes and block size its
// twelve outputs equal the VST 2 plug-in's sample for sample; a saved state plays the same in
// a fresh instance; automation takes effect at its frame; hostile state streams are refused
// with the instance as it was.
#include "instrument/ParameterTable.hpp"
#include "tests/support/DemoGroove.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace quovent::vst3;
using quovent::ParameterTable;
using quovent::SlotField;
using quovent::test::AudioBuffers;
using quovent::test::MidiMessage;
using quovent::test::TestHost;
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

// One note message at a block and frame: status, pitch, MIDI velocity (0 for note-off).
struct Note {
    int block;
    int frame;
    std::uint8_t status;
    std::uint8_t pitch;
    std::uint8_t velocity;
};

// Pattern 1 on channel 15, drums on channel 10 (note 60 is slot 1), chromatic notes on channels 1
// and 8, each with its note-off; the pattern is stopped near the end.
const std::vector<Note>& score() {
    static const std::vector<Note> notes = {
        {0, 0, 0x9E, 61, 127},   {3, 17, 0x99, 60, 100},   {9, 200, 0x99, 62, 90},
        {12, 5, 0x89, 60, 0},    {20, 255, 0x90, 60, 110}, {24, 1, 0x97, 55, 80},
        {30, 99, 0x80, 60, 0},   {31, 0, 0x87, 55, 64},    {40, 128, 0x99, 64, 127},
        {41, 128, 0x99, 66, 60}, {60, 33, 0x92, 72, 127},  {70, 0, 0x82, 72, 0},
        {150, 10, 0x8E, 61, 0},
    };
    return notes;
}

constexpr int kBlocks = 170; // about a second

// Frames past a shorter block wrap into it (so both plug-ins get the same offsets).
Event asVst3(const Note& n, int block) {
    const int channel = n.status & 0x0F;
    const bool on = (n.status & 0xF0) == 0x90;
    const float velocity = static_cast<float>(n.velocity) / 127.0f;
    return on ? Vst3EventList::noteOn(n.frame % block, channel, n.pitch, velocity)
              : Vst3EventList::noteOff(n.frame % block, channel, n.pitch, velocity);
}

// The twelve outputs of a whole run, channel after channel.
using Render = std::vector<std::vector<float>>;

Render renderVst2(const std::string& groove, int block) {
    TestHost host;
    host.open();
    host.prepare(kRate, block);
    EXPECT_EQ(host.setChunk(groove), 1);
    Render out(kOutputs);
    AudioBuffers buffers(block);
    for (int b = 0; b < kBlocks; ++b) {
        quovent::test::EventList events;
        for (const Note& n : score()) {
            if (n.block == b) {
                events.add(MidiMessage{n.frame % block, n.status, n.pitch, n.velocity});
            }
        }
        host.sendEvents(events);
        host.processReplacing(buffers);
        for (int c = 0; c < kOutputs; ++c) {
            out[c].insert(out[c].end(), buffers.channel(c), buffers.channel(c) + block);
        }
    }
    return out;
}

Render renderVst3(Vst3Instance& plugin, int block) {
    Render out(kOutputs);
    Vst3OutputBuffers buffers(block, 0.25f);
    for (int b = 0; b < kBlocks; ++b) {
        Vst3EventList events;
        for (const Note& n : score()) {
            if (n.block == b) {
                events.add(asVst3(n, block));
            }
        }
        EXPECT_EQ(plugin.processAtTempo(buffers, 120.0, &events), kResultOk);
        for (int c = 0; c < kOutputs; ++c) {
            out[c].insert(out[c].end(), buffers.channel(c), buffers.channel(c) + block);
        }
    }
    return out;
}

float peak(const std::vector<float>& samples) {
    float p = 0.0f;
    for (const float s : samples) {
        p = std::max(p, std::fabs(s));
    }
    return p;
}

// The first frame where two renderings differ in a channel; -1 for none.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i]) {
            return static_cast<long>(i);
        }
    }
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

class Vst3Instrument : public ::testing::Test {
protected:
    Vst3Module module;
};

} // namespace

TEST_F(Vst3Instrument, TwelveOutputsEqualTheVst2PluginsSampleForSample) {
    const std::string groove = demoGroove();
    for (const int block : {kBlock, 100}) {
        SCOPED_TRACE(block);
        const Render reference = renderVst2(groove, block);
        Vst3Instance plugin(module);
        ASSERT_EQ(plugin.setUp(kRate, block), kResultOk);
        ASSERT_EQ(plugin.setState(groove), kResultOk);
        const Render rendered = renderVst3(plugin, block);
        float loudest = 0.0f;
        for (int c = 0; c < kOutputs; ++c) {
            EXPECT_EQ(firstDifference(rendered[c], reference[c]), -1) << "output " << c;
            loudest = std::max(loudest, peak(rendered[c]));
        }
        // The demo routes its kick to pair 1 and hats to pair 2: both sound.
        EXPECT_GT(peak(rendered[0]), 0.05f);
        EXPECT_GT(peak(rendered[2]), 0.01f);
        EXPECT_LT(loudest, 4.0f);
    }
}

TEST_F(Vst3Instrument, ASavedStatePlaysTheSameInAFreshInstance) {
    Vst3Instance first(module);
    ASSERT_EQ(first.setUp(kRate, kBlock), kResultOk);
    ASSERT_EQ(first.setState(demoGroove()), kResultOk);
    ASSERT_EQ(first.controller()->setParamNormalized(
                  ParameterTable::slotParameter(1, SlotField::Tune), 0.8),
              kResultOk);
    const std::optional<std::string> saved = first.state();
    ASSERT_TRUE(saved);
    const Render firstRender = renderVst3(first, kBlock);

    Vst3Instance second(module);
    ASSERT_EQ(second.setUp(kRate, kBlock), kResultOk);
    ASSERT_EQ(second.setState(*saved), kResultOk);
    EXPECT_EQ(second.state(), saved);
    EXPECT_NEAR(
        second.controller()->getParamNormalized(ParameterTable::slotParameter(1, SlotField::Tune)),
        0.8, 1.0e-6);
    const Render secondRender = renderVst3(second, kBlock);
    for (int c = 0; c < kOutputs; ++c) {
        EXPECT_EQ(firstDifference(secondRender[c], firstRender[c]), -1) << "output " << c;
    }
    EXPECT_GT(peak(secondRender[0]), 0.05f);
}

// A point in the middle of a block sounds as the same value set at the start of a block that
// begins there; the rest of the block keeps the old value.
TEST_F(Vst3Instrument, AutomationTakesEffectAtItsFrame) {
    const std::string groove = demoGroove();
    const ParamID kickVolume = ParameterTable::slotParameter(0, SlotField::Volume);
    auto kickAt = [&](Vst3Instance& plugin, int frames, Vst3ParameterChanges* changes, bool kick) {
        Vst3OutputBuffers out(frames);
        Vst3EventList events;
        if (kick) {
            events.add(Vst3EventList::noteOn(0, 9, 60, 1.0f));
        }
        ProcessContext context{};
        EXPECT_EQ(plugin.process(out, &events, changes, &context), kResultOk);
        return std::vector<float>(out.channel(0), out.channel(0) + frames);
    };

    Vst3Instance split(module);
    ASSERT_EQ(split.setUp(kRate, kBlock), kResultOk);
    ASSERT_EQ(split.setState(groove), kResultOk);
    Vst3ParameterChanges changes;
    changes.add(kickVolume, 0, 0.65);
    changes.add(kickVolume, 128, 0.1);
    const std::vector<float> whole = kickAt(split, kBlock, &changes, true);

    Vst3Instance byHand(module);
    ASSERT_EQ(byHand.setUp(kRate, kBlock), kResultOk);
    ASSERT_EQ(byHand.setState(groove), kResultOk);
    std::vector<float> pieces = kickAt(byHand, 128, nullptr, true);
    Vst3ParameterChanges later;
    later.add(kickVolume, 0, 0.1);
    const std::vector<float> second = kickAt(byHand, 128, &later, false);
    pieces.insert(pieces.end(), second.begin(), second.end());

    EXPECT_EQ(firstDifference(whole, pieces), -1);
    EXPECT_GT(peak(whole), 0.01f);
    // The change is audible: the second half is quieter than it would have been.
    Vst3Instance unchanged(module);
    ASSERT_EQ(unchanged.setUp(kRate, kBlock), kResultOk);
    ASSERT_EQ(unchanged.setState(groove), kResultOk);
    const std::vector<float> loud = kickAt(unchanged, kBlock, nullptr, true);
    EXPECT_GE(firstDifference(whole, loud), 128);
    EXPECT_NEAR(split.controller()->getParamNormalized(kickVolume), 0.1, 1.0e-6);
}

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
    // Truncated anywhere.
    for (std::size_t n = 0; n < groove.size(); n += groove.size() / 50 + 1) {
        Vst3MemoryStream stream(groove.substr(0, n));
        refused(stream, "truncated at " + std::to_string(n));
    }
    // A control byte anywhere: never JSON.
    std::uint32_t seed = 12345;
    for (int i = 0; i < 40; ++i) {
        seed = seed * 1664525u + 1013904223u;
        std::string mutated = groove;
        mutated.insert(seed % mutated.size(), 1, static_cast<char>(1 + seed % 8));
        Vst3MemoryStream stream(mutated);
        refused(stream, "mutated at " + std::to_string(seed % mutated.size()));
    }
    // Fields of the right syntax with wrong content.
    for (const std::string& wrong :
         {std::string("{}"), std::string("[]"), std::string("null"),
          std::string("{\"format\": \"quovent-bank\", \"version\": 99}"),
          std::string(groove).replace(groove.find("quovent-bank"), 12, "other-bank")}) {
        Vst3MemoryStream stream(wrong);
        refused(stream, wrong.substr(0, 40));
    }
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
    EXPECT_GE(streams, 100);
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
