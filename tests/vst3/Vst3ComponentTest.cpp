// One instance through the loaded bundle, as a host drives it: the interfaces it answers, its
// buses (and those a host leaves out), the parameter table as controller parameters, the state
// through streams and the restart it asks for, and the process setup and blocks, hostile ones
// included (the promises every format keeps are the conformance suite's).
#include "instrument/ParameterTable.hpp"
#include "tests/support/DemoGroove.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace quovent::vst3;
using quovent::ParameterKind;
using quovent::ParameterTable;
using quovent::test::Vst3EventList;
using quovent::test::Vst3Instance;
using quovent::test::Vst3MemoryStream;
using quovent::test::Vst3Module;
using quovent::test::Vst3OutputBuffers;
using quovent::test::Vst3ParameterChanges;

namespace {

class Vst3Plugin : public ::testing::Test {
protected:
    Vst3Module module;
    Vst3Instance plugin{module};
};

std::u16string text16(const char16* text) {
    return std::u16string(text);
}

std::u16string utf16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A groove text with its shuffle amount written as `value`.
std::string withShuffle(std::string groove, const std::string& value) {
    const std::string key = "\"shuffleAmount\": ";
    const std::size_t at = groove.find(key);
    if (at == std::string::npos) {
        return groove;
    }
    const std::size_t from = at + key.size();
    groove.replace(from, groove.find(',', from) - from, value);
    return groove;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace

TEST_F(Vst3Plugin, AnswersItsInterfacesAsOneObject) {
    FUnknown* identity = nullptr;
    ASSERT_EQ(plugin.component()->queryInterface(FUnknown::iid.bytes,
                                                 reinterpret_cast<void**>(&identity)),
              kResultOk);
    for (FUnknown* face : {static_cast<FUnknown*>(plugin.processor()),
                           static_cast<FUnknown*>(plugin.controller())}) {
        FUnknown* same = nullptr;
        ASSERT_EQ(face->queryInterface(FUnknown::iid.bytes, reinterpret_cast<void**>(&same)),
                  kResultOk);
        EXPECT_EQ(same, identity);
        same->release();
    }
    identity->release();

    void* obj = nullptr;
    ASSERT_EQ(plugin.component()->queryInterface(IProcessContextRequirements::iid.bytes, &obj),
              kResultOk);
    auto* requirements = static_cast<IProcessContextRequirements*>(obj);
    EXPECT_EQ(requirements->getProcessContextRequirements() &
                  IProcessContextRequirements::kNeedTempo,
              IProcessContextRequirements::kNeedTempo);
    requirements->release();

    for (const Uid& absent :
         {IConnectionPoint::iid, IPluginFactory::iid, IBStream::iid, makeUid(1, 2, 3, 4)}) {
        obj = &module;
        EXPECT_EQ(plugin.controller()->queryInterface(absent.bytes, &obj), kNoInterface);
        EXPECT_EQ(obj, nullptr);
    }
    EXPECT_NE(plugin.component()->queryInterface(nullptr, &obj), kResultOk);
    EXPECT_NE(plugin.component()->queryInterface(IComponent::iid.bytes, nullptr), kResultOk);
    // The controller is the component: no separate class to make.
    TUID controllerClass{};
    EXPECT_NE(plugin.component()->getControllerClassId(controllerClass), kResultOk);
}

TEST_F(Vst3Plugin, SixStereoOutputsNoInputsOneSixteenChannelEventInput) {
    IComponent* c = plugin.component();
    EXPECT_EQ(c->getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(c->getBusCount(kEvent, kOutput), 0);
    ASSERT_EQ(c->getBusCount(kAudio, kOutput), 6);
    for (int32 i = 0; i < 6; ++i) {
        BusInfo bus{};
        ASSERT_EQ(c->getBusInfo(kAudio, kOutput, i, &bus), kResultOk);
        EXPECT_EQ(bus.mediaType, kAudio);
        EXPECT_EQ(bus.direction, kOutput);
        EXPECT_EQ(bus.channelCount, 2);
        EXPECT_EQ(bus.busType, i == 0 ? kMain : kAux);
        EXPECT_EQ(text16(bus.name), u"quov " + std::u16string(1, char16(u'1' + i)));
        SpeakerArrangement arrangement = 0;
        ASSERT_EQ(plugin.processor()->getBusArrangement(kOutput, i, &arrangement), kResultOk);
        EXPECT_EQ(arrangement, SpeakerArr::kStereo);
    }
    ASSERT_EQ(c->getBusCount(kEvent, kInput), 1);
    BusInfo midi{};
    ASSERT_EQ(c->getBusInfo(kEvent, kInput, 0, &midi), kResultOk);
    EXPECT_EQ(midi.channelCount, 16);
    EXPECT_EQ(midi.busType, kMain);

    BusInfo bus{};
    for (const int32 index : {-1, 6, 1 << 30}) {
        EXPECT_NE(c->getBusInfo(kAudio, kOutput, index, &bus), kResultOk);
        EXPECT_NE(c->activateBus(kAudio, kOutput, index, 1), kResultOk);
    }
    EXPECT_NE(c->getBusInfo(kAudio, kInput, 0, &bus), kResultOk);
    EXPECT_NE(c->getBusInfo(7, kOutput, 0, &bus), kResultOk);
    EXPECT_NE(c->getBusInfo(kAudio, kOutput, 0, nullptr), kResultOk);
    EXPECT_EQ(c->activateBus(kAudio, kOutput, 5, 0), kResultOk);
    EXPECT_EQ(c->activateBus(kEvent, kInput, 0, 1), kResultOk);
    EXPECT_NE(c->getRoutingInfo(nullptr, nullptr), kResultOk);
}

TEST_F(Vst3Plugin, AcceptsOnlyItsOwnArrangementAndThirtyTwoBitSamples) {
    IAudioProcessor* p = plugin.processor();
    SpeakerArrangement stereo[6] = {SpeakerArr::kStereo, SpeakerArr::kStereo, SpeakerArr::kStereo,
                                    SpeakerArr::kStereo, SpeakerArr::kStereo, SpeakerArr::kStereo};
    SpeakerArrangement in[1] = {SpeakerArr::kStereo};
    EXPECT_EQ(p->setBusArrangements(nullptr, 0, stereo, 6), kResultTrue);
    EXPECT_EQ(p->setBusArrangements(in, 1, stereo, 6), kResultFalse);
    EXPECT_EQ(p->setBusArrangements(nullptr, 0, stereo, 5), kResultFalse);
    EXPECT_EQ(p->setBusArrangements(nullptr, 0, nullptr, 6), kResultFalse);
    stereo[3] = 1; // mono left
    EXPECT_EQ(p->setBusArrangements(nullptr, 0, stereo, 6), kResultFalse);
    SpeakerArrangement arrangement = 0;
    EXPECT_NE(p->getBusArrangement(kInput, 0, &arrangement), kResultOk);
    EXPECT_NE(p->getBusArrangement(kOutput, 6, &arrangement), kResultOk);
    EXPECT_NE(p->getBusArrangement(kOutput, 0, nullptr), kResultOk);
    EXPECT_EQ(p->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_NE(p->canProcessSampleSize(kSample64), kResultTrue);
    EXPECT_EQ(p->getLatencySamples(), 0u);
}

TEST_F(Vst3Plugin, ParametersAreTheStableTable) {
    IEditController* e = plugin.controller();
    const auto& table = ParameterTable::all();
    ASSERT_EQ(e->getParameterCount(), static_cast<int32>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const quovent::ParameterInfo& entry = table[i];
        ParameterInfo info{};
        ASSERT_EQ(e->getParameterInfo(static_cast<int32>(i), &info), kResultOk);
        SCOPED_TRACE(entry.symbolText());
        EXPECT_EQ(info.id, entry.id);
        EXPECT_EQ(text16(info.title), utf16(entry.nameText()));
        EXPECT_EQ(text16(info.shortTitle), utf16(entry.shortNameText()));
        EXPECT_EQ(text16(info.units), utf16(entry.unit));
        EXPECT_EQ(info.stepCount, entry.stepCount());
        EXPECT_EQ(info.unitId, kRootUnitId);
        EXPECT_NE(info.flags & ParameterInfo::kCanAutomate, 0);
        EXPECT_EQ((info.flags & ParameterInfo::kIsList) != 0, entry.kind == ParameterKind::Choice);
        // The default, and every step of a stepped value, survive the way through normalized.
        EXPECT_FLOAT_EQ(e->normalizedParamToPlain(info.id, info.defaultNormalizedValue),
                        entry.defaultValue);
        EXPECT_FLOAT_EQ(e->getParamNormalized(info.id), info.defaultNormalizedValue);
        for (int step = 0; step <= info.stepCount; ++step) {
            const double plain = entry.minimum + step;
            const double normalized = e->plainParamToNormalized(info.id, plain);
            EXPECT_DOUBLE_EQ(normalized, info.stepCount == 0 ? 0.0 : double(step) / info.stepCount);
            EXPECT_DOUBLE_EQ(e->normalizedParamToPlain(info.id, normalized), plain);
        }
    }
    ParameterInfo info{};
    EXPECT_NE(e->getParameterInfo(-1, &info), kResultOk);
    EXPECT_NE(e->getParameterInfo(static_cast<int32>(table.size()), &info), kResultOk);
    EXPECT_NE(e->getParameterInfo(0, nullptr), kResultOk);
}

TEST_F(Vst3Plugin, ParameterTextsBothWays) {
    IEditController* e = plugin.controller();
    const ParamID filter = ParameterTable::slotParameter(2, quovent::SlotField::Filter);
    const ParamID output = ParameterTable::slotParameter(7, quovent::SlotField::Output);
    const ParamID volume = ParameterTable::slotParameter(0, quovent::SlotField::Volume);
    String128 text{};
    ASSERT_EQ(e->getParamStringByValue(filter, 2.0 / 3.0, text), kResultOk);
    EXPECT_EQ(text16(text), u"Band-pass");
    ASSERT_EQ(e->getParamStringByValue(output, 1.0, text), kResultOk);
    EXPECT_EQ(text16(text), u"quov 6");
    ASSERT_EQ(e->getParamStringByValue(volume, 0.25, text), kResultOk);
    EXPECT_EQ(text16(text), u"0.25");
    EXPECT_NE(e->getParamStringByValue(12345, 0.5, text), kResultOk);

    ParamValue value = -1.0;
    std::u16string typed = u"high-PASS";
    ASSERT_EQ(e->getParamValueByString(filter, typed.data(), &value), kResultOk);
    EXPECT_DOUBLE_EQ(value, 1.0);
    typed = u" 0.5 ";
    ASSERT_EQ(e->getParamValueByString(volume, typed.data(), &value), kResultOk);
    EXPECT_DOUBLE_EQ(value, 0.5);
    typed = u"7"; // beyond the range: clamped
    ASSERT_EQ(e->getParamValueByString(volume, typed.data(), &value), kResultOk);
    EXPECT_DOUBLE_EQ(value, 1.0);
    for (const char16_t* bad : {u"", u"loud", u"0.5x", u"nan", u"1e999", u"\u00e9"}) {
        typed = bad;
        EXPECT_NE(e->getParamValueByString(volume, typed.data(), &value), kResultOk) << "bad";
    }
    EXPECT_NE(e->getParamValueByString(volume, nullptr, &value), kResultOk);
    EXPECT_NE(e->getParamValueByString(volume, typed.data(), nullptr), kResultOk);
}

TEST_F(Vst3Plugin, HostileParameterValuesAreClampedOrRefused) {
    IEditController* e = plugin.controller();
    const auto& table = ParameterTable::all();
    for (const quovent::ParameterInfo& entry : table) {
        SCOPED_TRACE(entry.symbolText());
        for (const double value : {-kInf, -1.0e300, -1.0, -1.0e-310, 1.5, 1.0e300, kInf}) {
            ASSERT_EQ(e->setParamNormalized(entry.id, value), kResultOk);
            const double stored = e->getParamNormalized(entry.id);
            EXPECT_DOUBLE_EQ(stored, value < 0.5 ? 0.0 : 1.0);
            EXPECT_DOUBLE_EQ(e->normalizedParamToPlain(entry.id, value),
                             value < 0.5 ? entry.minimum : entry.maximum);
            EXPECT_TRUE(std::isfinite(e->plainParamToNormalized(entry.id, value * 1.0e6)));
        }
        ASSERT_EQ(e->setParamNormalized(entry.id, 1.0), kResultOk);
        EXPECT_NE(e->setParamNormalized(entry.id, kNaN), kResultOk);
        EXPECT_DOUBLE_EQ(e->getParamNormalized(entry.id), 1.0); // NaN changed nothing
        EXPECT_DOUBLE_EQ(e->normalizedParamToPlain(entry.id, kNaN), entry.defaultValue);
    }
    for (const ParamID unknown :
         {ParamID{0}, ParamID{2}, ParamID{100}, ParamID{111}, ParamID{901}, kNoParamId}) {
        EXPECT_NE(e->setParamNormalized(unknown, 0.5), kResultOk);
        EXPECT_EQ(e->getParamNormalized(unknown), 0.0);
    }
}

TEST_F(Vst3Plugin, StateComesBackWhateverTheStreamsPace) {
    // A fresh instance's groove (some 128 KiB of text) with its shuffle changed: what comes
    // back is the instrument's own text of it.
    const std::string fresh = *plugin.state();
    const std::string groove = withShuffle(fresh, "0.5");
    ASSERT_NE(groove, fresh);
    ASSERT_EQ(plugin.setState(groove), kResultOk);
    EXPECT_EQ(plugin.state(), groove);
    EXPECT_DOUBLE_EQ(plugin.controller()->getParamNormalized(ParameterTable::kShuffle), 0.5);
    // Streams that hand out a few bytes per call, cannot seek or answer an error at their
    // end: still read whole.
    for (const bool seekable : {true, false}) {
        for (const int32 chunk : {7, 65536, static_cast<int32>(groove.size() - 1)}) {
            const std::string other = withShuffle(fresh, chunk == 7 ? "0.25" : "0.75");
            Vst3MemoryStream stream(other);
            stream.seekable = seekable;
            stream.chunk = chunk;
            stream.errorAtEnd = chunk == 7;
            ASSERT_EQ(plugin.component()->setState(&stream), kResultOk) << chunk;
            EXPECT_EQ(plugin.state(), other) << seekable << " " << chunk;
        }
    }
    // Written in pieces to a stream that takes a few bytes per call.
    ASSERT_EQ(plugin.setState(groove), kResultOk);
    Vst3MemoryStream slow;
    slow.chunk = 1000;
    ASSERT_EQ(plugin.component()->getState(&slow), kResultOk);
    EXPECT_EQ(slow.bytes(), groove);
}

TEST_F(Vst3Plugin, ARefusedStateStreamChangesNothing) {
    // Texts that are no groove are the conformance suite's; these are streams that fail part
    // way, lie about what they read or are too long.
    const std::string groove = withShuffle(*plugin.state(), "0.5");
    const std::string other = withShuffle(groove, "0.25");
    ASSERT_EQ(plugin.setState(groove), kResultOk);
    for (const bool seekable : {true, false}) {
        for (const std::int64_t after : {0, 1, 500, 5000}) {
            Vst3MemoryStream failing(other);
            failing.seekable = seekable;
            failing.chunk = 1000;
            failing.failAfter = after;
            EXPECT_NE(plugin.component()->setState(&failing), kResultOk) << after;
        }
        Vst3MemoryStream lying(other);
        lying.seekable = seekable;
        lying.overstate = 1;
        EXPECT_NE(plugin.component()->setState(&lying), kResultOk);
        Vst3MemoryStream huge(std::string(4 * 1024 * 1024 + 1, '{'));
        huge.seekable = seekable;
        EXPECT_NE(plugin.component()->setState(&huge), kResultOk);
    }
    EXPECT_NE(plugin.component()->setState(nullptr), kResultOk);
    EXPECT_EQ(plugin.state(), groove);
    EXPECT_DOUBLE_EQ(plugin.controller()->getParamNormalized(ParameterTable::kShuffle), 0.5);

    // A stream that refuses writing is reported.
    Vst3MemoryStream full;
    full.failAfter = 1000;
    EXPECT_NE(plugin.component()->getState(&full), kResultOk);
    EXPECT_NE(plugin.component()->getState(nullptr), kResultOk);
    // The controller's own state is empty and always taken.
    Vst3MemoryStream controllerState;
    EXPECT_EQ(plugin.controller()->getState(&controllerState), kResultOk);
    EXPECT_EQ(controllerState.bytes(), "");
    EXPECT_EQ(plugin.controller()->setState(&controllerState), kResultOk);
    EXPECT_EQ(plugin.state(), groove);
}

TEST_F(Vst3Plugin, AbsurdProcessSetupsAreRefused) {
    IAudioProcessor* p = plugin.processor();
    const ProcessSetup bad[] = {
        {kRealtime, kSample32, 0, 44100.0},
        {kRealtime, kSample32, -512, 44100.0},
        {kRealtime, kSample32, 1 << 30, 44100.0},
        {kRealtime, kSample32, 512, 0.0},
        {kRealtime, kSample32, 512, -44100.0},
        {kRealtime, kSample32, 512, kNaN},
        {kRealtime, kSample32, 512, kInf},
        {kRealtime, kSample32, 512, 1.0e9},
        {kRealtime, kSample64, 512, 44100.0},
        {7, kSample32, 512, 44100.0},
        {-1, kSample32, 512, 44100.0},
    };
    for (const ProcessSetup& setup : bad) {
        ProcessSetup copy = setup;
        EXPECT_NE(p->setupProcessing(&copy), kResultOk)
            << setup.maxSamplesPerBlock << " frames at " << setup.sampleRate;
    }
    EXPECT_NE(p->setupProcessing(nullptr), kResultOk);
    // Without a setup nothing is processed.
    Vst3OutputBuffers out(64, 0.5f);
    EXPECT_NE(plugin.process(out), kResultOk);
    EXPECT_EQ(out.peak(), 0.5f);
    ASSERT_EQ(plugin.setUp(48000.0, 512), kResultOk);
    // While processing, the setup stays.
    ProcessSetup other{kRealtime, kSample32, 256, 44100.0};
    EXPECT_NE(p->setupProcessing(&other), kResultOk);
}

TEST_F(Vst3Plugin, WithoutSamplesEveryOutputIsSilentAndFlaggedSo) {
    ASSERT_EQ(plugin.setUp(44100.0, 512), kResultOk);
    Vst3OutputBuffers out(512, 0.5f);
    Vst3EventList events;
    events.add(Vst3EventList::noteOn(0, 14, 60, 1.0f));
    events.add(Vst3EventList::noteOn(100, 9, 36, 0.7f));
    events.add(Vst3EventList::noteOff(511, 0, 48));
    Vst3ParameterChanges changes;
    changes.add(ParameterTable::kShuffle, 0, 0.25);
    ASSERT_EQ(plugin.processAtTempo(out, 140.0, &events), kResultOk);
    EXPECT_EQ(out.peak(), 0.0f);
    for (int b = 0; b < Vst3OutputBuffers::kBuses; ++b) {
        EXPECT_EQ(out.buses()[b].silenceFlags, 3u);
    }
    out.fill(0.5f);
    ASSERT_EQ(plugin.process(out, &events, &changes), kResultOk);
    EXPECT_EQ(out.peak(), 0.0f);
}

TEST_F(Vst3Plugin, AutomationArrivesWithTheBlockClampedOrIgnored) {
    ASSERT_EQ(plugin.setUp(44100.0, 256), kResultOk);
    const ParamID volume = ParameterTable::slotParameter(3, quovent::SlotField::Volume);
    const ParamID mute = ParameterTable::slotParameter(3, quovent::SlotField::Mute);
    const ParamID pan = ParameterTable::slotParameter(2, quovent::SlotField::Pan);
    Vst3ParameterChanges changes;
    changes.add(volume, 0, 0.1);
    changes.add(volume, 128, 0.75); // the block's last value stays
    changes.add(mute, 17, 0.9);
    changes.add(pan, 0, 0.25);
    changes.add(pan, -50, kNaN);      // no value, and before the block
    changes.add(pan, 1 << 30, -kInf); // after the block: at its last frame, clamped
    changes.add(777, 0, 0.5);         // no such parameter
    changes.add(kNoParamId, 3, 0.5);
    changes.add(ParameterTable::kShuffle, 3, kNaN);
    Vst3OutputBuffers out(256);
    ASSERT_EQ(plugin.process(out, nullptr, &changes), kResultOk);
    IEditController* e = plugin.controller();
    EXPECT_DOUBLE_EQ(e->getParamNormalized(volume), 0.75);
    EXPECT_DOUBLE_EQ(e->getParamNormalized(mute), 1.0);
    EXPECT_DOUBLE_EQ(e->getParamNormalized(pan), 0.0);
    EXPECT_DOUBLE_EQ(e->getParamNormalized(ParameterTable::kShuffle), 0.0);
    // A block of no frames carries parameter changes only.
    Vst3ParameterChanges flush;
    flush.add(pan, 0, 0.75);
    flush.add(ParameterTable::kShuffle, 7, 1.0e300);
    Vst3OutputBuffers none(0);
    ASSERT_EQ(plugin.process(none, nullptr, &flush), kResultOk);
    EXPECT_DOUBLE_EQ(e->getParamNormalized(pan), 0.75);
    EXPECT_DOUBLE_EQ(e->getParamNormalized(ParameterTable::kShuffle), 1.0);
}

TEST_F(Vst3Plugin, HostileBlocksAreRefusedWithoutWritingOutsideTheBuffers) {
    ASSERT_EQ(plugin.setUp(44100.0, 128), kResultOk);
    IAudioProcessor* p = plugin.processor();
    Vst3OutputBuffers out(128, 0.5f);
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numOutputs = 6;
    data.outputs = out.buses();

    EXPECT_NE(p->process(nullptr), kResultOk);
    for (const int32 frames : {-1, 129, 1 << 30}) {
        data.numSamples = frames;
        EXPECT_NE(p->process(&data), kResultOk);
    }
    data.numSamples = 128;
    data.symbolicSampleSize = kSample64;
    EXPECT_NE(p->process(&data), kResultOk);
    data.symbolicSampleSize = kSample32;
    data.outputs = nullptr;
    EXPECT_NE(p->process(&data), kResultOk);
    data.numOutputs = -3;
    EXPECT_NE(p->process(&data), kResultOk);
    EXPECT_EQ(out.peak(), 0.5f); // nothing refused wrote anything

    // More buses or channels than announced, missing channel arrays: only what exists is
    // written, and only the announced channels.
    data.outputs = out.buses();
    data.numOutputs = 40;
    out.buses()[1].numChannels = 1 << 20;
    out.buses()[2].channelBuffers32 = nullptr;
    out.buses()[3].numChannels = -5;
    EXPECT_EQ(p->process(&data), kResultOk);

    // Event lists that lie about their length or carry nonsense.
    Vst3EventList events;
    events.claimedCount = 1 << 30;
    events.add(Vst3EventList::noteOn(-100, 99, 300, kNaN));
    events.add(Vst3EventList::noteOn(1 << 30, -1, -1, -1.0f));
    Event odd{};
    odd.type = 12345;
    events.add(odd);
    data.inputEvents = &events;
    data.numOutputs = 6;
    out.buses()[1].numChannels = 2;
    out.buses()[3].numChannels = 2;
    EXPECT_EQ(p->process(&data), kResultOk);

    ProcessContext context{};
    for (const double tempo : {0.0, -120.0, kNaN, kInf, 1.0e12}) {
        context.state = ProcessContext::kTempoValid;
        context.tempo = tempo;
        data.processContext = &context;
        EXPECT_EQ(p->process(&data), kResultOk);
    }
}

TEST_F(Vst3Plugin, MissingBusesAndChannelsStillRenderTheOthers) {
    constexpr int kBlock = 256;
    ASSERT_EQ(plugin.setUp(44100.0, kBlock), kResultOk);
    ASSERT_EQ(plugin.setState(quovent::test::absoluteDemoGroove(QUOVENT_DEMO_DIR)), kResultOk);
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
    EXPECT_GT(*std::max_element(out.channel(0), out.channel(0) + kBlock), 0.05f);
    EXPECT_EQ(out.buses()[0].silenceFlags, 2u); // no buffer, no sound
    EXPECT_EQ(out.buses()[1].silenceFlags, 3u);
    // Buses the host did not hand over are not touched.
    for (int c = 4; c < 2 * Vst3OutputBuffers::kBuses; ++c) {
        EXPECT_EQ(out.channel(c)[0], 0.5f) << c;
    }
}

TEST_F(Vst3Plugin, ARestoredStateAsksTheHostToReadTheParametersAgain) {
    ASSERT_EQ(plugin.controller()->setComponentHandler(&plugin.handler()), kResultOk);
    ASSERT_EQ(plugin.setState(quovent::test::absoluteDemoGroove(QUOVENT_DEMO_DIR)), kResultOk);
    EXPECT_EQ(plugin.handler().restarts(), std::vector<int32>{kParamValuesChanged});
    EXPECT_NE(plugin.setState("not a groove"), kResultOk);
    EXPECT_EQ(plugin.handler().restarts().size(), 1u); // a refusal changed nothing
    ASSERT_EQ(plugin.controller()->setComponentHandler(nullptr), kResultOk);
    EXPECT_EQ(plugin.handler().references(), 0u);
}
