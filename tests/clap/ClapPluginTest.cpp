// The CLAP library's own ways (the promises every format keeps are the conformance suite's):
// what a host reads of it, hostile records and events in process, state streams that stop,
// fail or lie, and the editor's edits reaching the host as whole gestures through process or
// flush.
#include "formats/clap/ClapPlugin.hpp"
#include "formats/clap/ClapFactory.hpp"
#include "instrument/ParameterTable.hpp"
#include "instrument/PluginInfo.hpp"
#include "tests/support/ClapTestHost.hpp"
#include "tests/support/DemoGroove.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quovent;
using namespace quovent::test;
using Sink = ClapEventSink;

namespace {

constexpr int kBlock = 256;
const clap::Id kVolume1 = ParameterTable::slotParameter(0, SlotField::Volume);

// One channel's largest absolute sample; NaN when any is NaN.
float peak(ClapBuffers& out, int channel) {
    float p = 0.0f;
    for (const float* s = out.channel(channel); s != out.channel(channel) + out.frames(); ++s) {
        p = std::isnan(*s) ? *s : std::max(p, std::fabs(*s));
    }
    return p;
}

class ClapPluginTest : public ::testing::Test {
protected:
    ClapLibrary library;
    ClapTestHost host;
    ClapInstance plugin{library, host, 44100.0, kBlock};
};

TEST_F(ClapPluginTest, AHostReadsOneInstrumentWithSixStereoOutputsOneNoteInputAndTheTable) {
    const clap::PluginDescriptor* d =
        library.factory().get_plugin_descriptor(&library.factory(), 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->id, "audio.halvden.quovent");
    std::vector<std::string> features(d->features, d->features + 4);
    EXPECT_EQ(features,
              (std::vector<std::string>{"instrument", "drum-machine", "sampler", "stereo"}));
    EXPECT_EQ(d->features[4], nullptr);
    EXPECT_EQ(library.factory().create_plugin(&library.factory(), host.record(), "other.id"),
              nullptr);

    const auto* audio = plugin.extension<clap::PluginAudioPorts>(clap::kExtAudioPorts);
    EXPECT_EQ(audio->count(plugin.plugin(), true), 0u);
    ASSERT_EQ(audio->count(plugin.plugin(), false), 6u);
    for (std::uint32_t i = 0; i < 6; ++i) {
        clap::AudioPortInfo info{};
        ASSERT_TRUE(audio->get(plugin.plugin(), i, false, &info));
        EXPECT_EQ(info.name, PluginInfo::kOutputPairNames[i]);
        EXPECT_EQ(info.flags, i == 0 ? clap::kAudioPortIsMain : 0u);
        EXPECT_EQ(info.channel_count, 2u);
    }
    clap::NotePortInfo note{};
    const auto* notes = plugin.extension<clap::PluginNotePorts>(clap::kExtNotePorts);
    ASSERT_TRUE(notes->get(plugin.plugin(), 0, true, &note));
    EXPECT_EQ(note.supported_dialects, clap::kNoteDialectClap | clap::kNoteDialectMidi);
    EXPECT_EQ(plugin.extension<clap::PluginLatency>(clap::kExtLatency)->get(plugin.plugin()), 0u);
    EXPECT_TRUE(plugin.extension<clap::PluginRender>(clap::kExtRender)
                    ->set(plugin.plugin(), clap::kRenderOffline));

    const auto* params = plugin.extension<clap::PluginParams>(clap::kExtParams);
    ASSERT_EQ(params->count(plugin.plugin()), static_cast<std::uint32_t>(ParameterTable::kCount));
    for (std::uint32_t i = 0; i < params->count(plugin.plugin()); ++i) {
        const ParameterInfo& entry = ParameterTable::all()[i];
        clap::ParamInfo info{};
        ASSERT_TRUE(params->get_info(plugin.plugin(), i, &info));
        EXPECT_EQ(info.id, entry.id);
        EXPECT_EQ(info.name, entry.nameText());
        EXPECT_EQ((info.flags & clap::kParamIsStepped) != 0,
                  entry.kind != ParameterKind::Continuous);
        EXPECT_EQ((info.flags & clap::kParamIsEnum) != 0, entry.kind == ParameterKind::Choice);
        EXPECT_EQ(info.max_value, entry.maximum);
    }
    char text[32];
    const clap::Id filter1 = ParameterTable::slotParameter(0, SlotField::Filter);
    EXPECT_TRUE(params->value_to_text(plugin.plugin(), filter1, 1.0, text, sizeof(text)));
    double value = -1.0;
    EXPECT_TRUE(params->text_to_value(plugin.plugin(), filter1, text, &value));
    EXPECT_EQ(value, 1.0) << text << " reads back";
    EXPECT_TRUE(params->value_to_text(plugin.plugin(), filter1, 1.0, text, 4));
    EXPECT_EQ(std::string(text),
              std::string(ParameterTable::find(filter1)->labels[1].substr(0, 3)));
    EXPECT_FALSE(params->value_to_text(plugin.plugin(), 999, 0.0, text, sizeof(text)));
    EXPECT_FALSE(params->value_to_text(plugin.plugin(), kVolume1, 0.0, text, 0));
    EXPECT_FALSE(params->text_to_value(plugin.plugin(), kVolume1, "loud", &value));
    clap::ParamInfo past{};
    EXPECT_FALSE(params->get_info(plugin.plugin(), ParameterTable::kCount, &past));
}

// Each hostile record is ignored; a good note-on in the same list still sounds on its slot's
// output and nothing but finite samples come out.
TEST_F(ClapPluginTest, HostileRecordsAndEventsAreIgnoredAndTheGoodOnesStillPlay) {
    ASSERT_TRUE(plugin.load(absoluteDemoGroove(QUOVENT_DEMO_DIR)));
    const auto on = [](std::uint32_t time, int channel, int key, double velocity, int port = 0) {
        return ClapEventList::note(clap::kEventNoteOn, time, channel, key, velocity, port);
    };
    clap::EventNote foreign = on(0, 9, 60, 1.0);
    foreign.header.space_id = 7;
    clap::EventNote unknown = ClapEventList::note(99, 0, 9, 60, 1.0);
    clap::EventNote shortNote = on(0, 9, 61, 1.0);
    shortNote.header.size = 24;
    const struct {
        const char* name;
        std::function<void(ClapEventList&)> add;
    } hostile[] = {
        {"null entry", [](ClapEventList& l) { l.addNull(); }},
        {"foreign space", [&](ClapEventList& l) { l.add(foreign); }},
        {"unknown type", [&](ClapEventList& l) { l.add(unknown); }},
        {"short note", [&](ClapEventList& l) { l.addBytes(&shortNote, 24); }},
        {"channel 16", [&](ClapEventList& l) { l.add(on(0, 16, 60, 1.0)); }},
        {"key 128", [&](ClapEventList& l) { l.add(on(0, 9, 128, 1.0)); }},
        {"port 3", [&](ClapEventList& l) { l.add(on(0, 9, 60, 1.0, 3)); }},
        {"NaN velocity at frame 2^32-1",
         [&](ClapEventList& l) { l.add(on(UINT32_MAX, 9, 62, std::nan(""))); }},
        {"unknown parameter", [](ClapEventList& l) { l.add(ClapEventList::param(3, 999, 1.0)); }},
        {"huge volume", [](ClapEventList& l) { l.add(ClapEventList::param(3, kVolume1, 1e300)); }},
        {"off for any key",
         [](ClapEventList& l) { l.add(ClapEventList::note(clap::kEventNoteOff, 0, -1, -1, 0.0)); }},
    };
    for (const auto& h : hostile) {
        SCOPED_TRACE(h.name);
        ClapEventList events;
        h.add(events);
        events.add(on(5, 9, 60, 1.0)); // slot 1 as a drum
        ClapBuffers out(kBlock, 0.5f);
        ASSERT_EQ(plugin.process(out, &events), clap::kProcessContinue);
        EXPECT_GT(peak(out, 0), 0.01f);
        EXPECT_EQ(peak(out, 4), 0.0f) << "stale samples replaced";
    }
    ClapBuffers out(kBlock);
    out.ports()[1].data32 = nullptr;
    out.ports()[0].channel_count = 1;
    EXPECT_EQ(plugin.process(out), clap::kProcessContinue);
    const ClapAudioThread audio;
    EXPECT_EQ(plugin.plugin()->process(plugin.plugin(), nullptr), clap::kProcessError);
    // A list that claims four billion events, all null, and no output list: a block's worth is
    // looked at, no more.
    const clap::InputEvents claimsAll{
        nullptr, [](const clap::InputEvents*) { return UINT32_MAX; },
        [](const clap::InputEvents*, std::uint32_t) -> const clap::EventHeader* {
            return nullptr;
        }};
    const clap::Process lying{-1, kBlock, nullptr, nullptr, out.ports(), 0, 6, &claimsAll, nullptr};
    EXPECT_EQ(plugin.plugin()->process(plugin.plugin(), &lying), clap::kProcessContinue);
    EXPECT_EQ(ClapPlugin::of(nullptr), nullptr);
}

TEST_F(ClapPluginTest, StreamsThatStopFailOrLieAreRefusedWhole) {
    const std::string groove = absoluteDemoGroove(QUOVENT_DEMO_DIR);
    ASSERT_TRUE(plugin.load(groove, {.chunk = 7}));
    EXPECT_EQ(host.rescans, 1);
    EXPECT_EQ(host.lastRescan, clap::kParamRescanValues);
    const std::optional<std::string> saved = plugin.save({.chunk = 5});
    ASSERT_TRUE(saved.has_value());
    EXPECT_FALSE(plugin.save({.failAt = 100}).has_value());
    // A valid state that would change everything, through streams that break down.
    for (const ClapStreamPlan plan :
         {ClapStreamPlan{.chunk = 3, .failAt = 20}, ClapStreamPlan{.overstates = true}}) {
        EXPECT_FALSE(plugin.load(Instrument::kDefaultState, plan));
    }
    EXPECT_TRUE(plugin.save() == saved) << "the instance kept its state";
    EXPECT_EQ(host.rescans, 1);
}

// The editor's edits, made while the host processes and while it does not: whole gestures
// with plain values, through process or (asked for) flush, and a host list too small to take
// them all gets the rest later, in order.
TEST(ClapEdits, EditorEditsReachTheHostAsWholeGesturesThroughProcessOrFlush) {
    ClapTestHost host;
    const clap::Plugin* record = ClapFactory::create(host.record(), PluginInfo::kClapId.data());
    ASSERT_TRUE(record->init(record));
    ClapPlugin& plugin = *ClapPlugin::of(record);
    Instrument& instrument = plugin.instrument();
    const auto* params =
        static_cast<const clap::PluginParams*>(record->get_extension(record, clap::kExtParams));

    instrument.beginParameterEdit(kVolume1);
    instrument.editParameter(kVolume1, 0.25f);
    instrument.endParameterEdit(kVolume1);
    EXPECT_EQ(host.flushRequests, 3) << "asked while inactive";
    Sink small(2);
    params->flush(record, nullptr, small.list());
    Sink rest;
    params->flush(record, nullptr, rest.list());
    small.pushed.insert(small.pushed.end(), rest.pushed.begin(), rest.pushed.end());
    ASSERT_EQ(small.pushed.size(), 3u);
    EXPECT_EQ(small.pushed[0].type, clap::kEventParamGestureBegin);
    EXPECT_EQ(small.pushed[1].value, 0.25);
    EXPECT_EQ(small.pushed[2].type, clap::kEventParamGestureEnd);

    ClapEventList in;
    in.add(ClapEventList::param(0, kVolume1, 0.75));
    params->flush(record, in.list(), rest.list());
    EXPECT_EQ(instrument.parameter(kVolume1), 0.75f) << "the host's values in a flush";

    ASSERT_TRUE(record->activate(record, 48000.0, 1, kBlock));
    ASSERT_TRUE(record->start_processing(record));
    instrument.editParameter(kVolume1, 0.5f); // a click: a gesture of its own
    EXPECT_EQ(host.flushRequests, 3) << "not asked while processing";
    // A long drag while the host sends nothing: the values that find no room are dropped, the
    // last one still comes before the end.
    instrument.beginParameterEdit(kVolume1);
    for (int i = 0; i < 2000; ++i) {
        instrument.editParameter(kVolume1, static_cast<float>(i % 100) / 100.0f);
    }
    instrument.endParameterEdit(kVolume1);
    ClapBuffers out(kBlock);
    Sink sink;
    const ClapEventList none;
    const clap::Process block{-1, kBlock, nullptr,     nullptr,    out.ports(),
                              0,  6,      none.list(), sink.list()};
    {
        const ClapAudioThread audio;
        EXPECT_EQ(record->process(record, &block), clap::kProcessContinue);
    }
    ASSERT_GT(sink.pushed.size(), 4u);
    EXPECT_EQ(sink.pushed[1].value, 0.5);
    EXPECT_EQ(sink.pushed[sink.pushed.size() - 2].value, instrument.parameter(kVolume1));
    EXPECT_EQ(sink.pushed.back().type, clap::kEventParamGestureEnd);
    record->destroy(record);
}

} // namespace
