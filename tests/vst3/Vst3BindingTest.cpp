// Pieces of the VST 3 binding linked directly: note events as MIDI messages for the
// instrument's map, the text fields, the tempo a block brings, the editor's edits as the host's
// edit gestures, and the module's entry count.
#include "formats/vst3/Vst3Component.hpp"
#include "formats/vst3/Vst3Module.hpp"
#include "formats/vst3/Vst3NoteEvents.hpp"
#include "formats/vst3/Vst3Strings.hpp"
#include "instrument/ParameterTable.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

using namespace quovent::vst3;
using quovent::Vst3MidiMessage;
using quovent::Vst3NoteEvents;
using quovent::Vst3Strings;
using quovent::test::Vst3EventList;

namespace {

bool same(const Vst3MidiMessage& m, int frame, int status, int data1, int data2) {
    return m.frame == frame && m.status == status && m.data1 == data1 && m.data2 == data2;
}

} // namespace

TEST(Vst3NoteEvents, NotesKeepChannelPitchAndOffset) {
    Vst3MidiMessage m;
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(10, 9, 36, 0.8f), 512, m));
    EXPECT_TRUE(same(m, 10, 0x99, 36, 102)); // channel 10 drums
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(0, 14, 61, 1.0f), 512, m));
    EXPECT_TRUE(same(m, 0, 0x9E, 61, 127)); // channel 15 patterns
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOff(511, 7, 60, 0.5f), 512, m));
    EXPECT_TRUE(same(m, 511, 0x87, 60, 64)); // channel 8 chromatic
    // A silent note-on is still a note-on.
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(3, 0, 60, 0.0f), 512, m));
    EXPECT_TRUE(same(m, 3, 0x90, 60, 1));
    ASSERT_TRUE(Vst3NoteEvents::toMidi(
        Vst3EventList::noteOn(3, 0, 60, std::numeric_limits<float>::quiet_NaN()), 512, m));
    EXPECT_EQ(m.data2, 1);
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(3, 0, 60, 9.0f), 512, m));
    EXPECT_EQ(m.data2, 127);
}

TEST(Vst3NoteEvents, OffsetsOutsideTheBlockGoToItsEdges) {
    Vst3MidiMessage m;
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(-5, 0, 60, 0.5f), 64, m));
    EXPECT_EQ(m.frame, 0);
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(64, 0, 60, 0.5f), 64, m));
    EXPECT_EQ(m.frame, 63);
    ASSERT_TRUE(Vst3NoteEvents::toMidi(Vst3EventList::noteOff(1 << 30, 0, 60), 0, m));
    EXPECT_EQ(m.frame, 0);
}

TEST(Vst3NoteEvents, EverythingElseIsDropped) {
    Vst3MidiMessage m;
    EXPECT_FALSE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(0, 16, 60, 0.5f), 64, m));
    EXPECT_FALSE(Vst3NoteEvents::toMidi(Vst3EventList::noteOn(0, -1, 60, 0.5f), 64, m));
    EXPECT_FALSE(Vst3NoteEvents::toMidi(Vst3EventList::noteOff(0, 0, 128), 64, m));
    EXPECT_FALSE(Vst3NoteEvents::toMidi(Vst3EventList::noteOff(0, 0, -3), 64, m));
    Event otherBus = Vst3EventList::noteOn(0, 0, 60, 0.5f);
    otherBus.busIndex = 1;
    EXPECT_FALSE(Vst3NoteEvents::toMidi(otherBus, 64, m));
    Event pressure{};
    pressure.type = Event::kPolyPressureEvent;
    EXPECT_FALSE(Vst3NoteEvents::toMidi(pressure, 64, m));
    Event data{};
    data.type = Event::kDataEvent;
    EXPECT_FALSE(Vst3NoteEvents::toMidi(data, 64, m));
}

TEST(Vst3Strings, FieldsAreCutAtTheirEndAndAlwaysTerminated) {
    std::array<char, 8> narrow{};
    narrow.fill('?');
    Vst3Strings::copy("Halvden Labs", narrow.data(), narrow.size());
    EXPECT_STREQ(narrow.data(), "Halvden");

    std::array<char16, 6> wide{};
    wide.fill(u'?');
    Vst3Strings::copy("quovent", wide.data(), wide.size());
    EXPECT_EQ(std::u16string(wide.data()), u"quove");
    // UTF-8 becomes UTF-16, a pair of surrogates is never split, broken bytes are U+FFFD.
    Vst3Strings::copy("\xc3\xa9t\xc3\xa9", wide.data(), wide.size());
    EXPECT_EQ(std::u16string(wide.data()), u"\u00e9t\u00e9");
    Vst3Strings::copy("abcd\xf0\x9f\x8e\xb5", wide.data(), wide.size());
    EXPECT_EQ(std::u16string(wide.data()), u"abcd");
    Vst3Strings::copy("ab\xf0\x9f\x8e\xb5", wide.data(), wide.size());
    EXPECT_EQ(std::u16string(wide.data()), u"ab\U0001F3B5");
    Vst3Strings::copy("a\xff\xc3", wide.data(), wide.size());
    EXPECT_EQ(std::u16string(wide.data()), u"a\ufffd\ufffd");
    Vst3Strings::copy("\xed\xa0\x80", wide.data(), wide.size()); // an encoded surrogate
    EXPECT_EQ(std::u16string(wide.data()), u"\ufffd");
}

TEST(Vst3Strings, HostTextsAsAscii) {
    std::array<char, 8> out{};
    EXPECT_EQ(Vst3Strings::toAscii(u"0.25", 128, out.data(), out.size()), "0.25");
    EXPECT_FALSE(Vst3Strings::toAscii(u"caf\u00e9", 128, out.data(), out.size()));
    EXPECT_FALSE(Vst3Strings::toAscii(u"12345678", 128, out.data(), out.size()));
    EXPECT_FALSE(Vst3Strings::toAscii(nullptr, 128, out.data(), out.size()));
    // An unterminated text is read no further than the field.
    const char16 unterminated[3] = {u'4', u'2', u'7'};
    EXPECT_EQ(Vst3Strings::toAscii(unterminated, 2, out.data(), out.size()), "42");
}

TEST(Vst3Component, TempoFromTheProcessContextElse120) {
    auto* component = new quovent::Vst3Component();
    ASSERT_EQ(component->initialize(nullptr), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
    ASSERT_EQ(component->setupProcessing(&setup), kResultOk);
    EXPECT_EQ(component->sampleRate(), 48000.0);
    ProcessSetup bad{kRealtime, kSample32, 64, -1.0};
    EXPECT_NE(component->setupProcessing(&bad), kResultOk);
    EXPECT_EQ(component->sampleRate(), 48000.0);

    quovent::test::Vst3OutputBuffers out(64);
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = 64;
    data.numOutputs = 6;
    data.outputs = out.buses();
    ProcessContext context{};
    context.state = ProcessContext::kTempoValid;
    context.tempo = 93.5;
    data.processContext = &context;
    ASSERT_EQ(component->process(&data), kResultOk);
    EXPECT_EQ(component->tempo(), 93.5f);
    context.tempo = 140.0;
    context.state = 0; // the host says the tempo is not valid
    ASSERT_EQ(component->process(&data), kResultOk);
    EXPECT_EQ(component->tempo(), 120.0f);
    data.processContext = nullptr;
    ASSERT_EQ(component->process(&data), kResultOk);
    EXPECT_EQ(component->tempo(), 120.0f);
    component->terminate();
    EXPECT_EQ(component->release(), 0u);
}

TEST(Vst3Module, EntriesNestAndAnExitWithoutEntryIsRefused) {
    using quovent::Vst3Module;
    const int before = Vst3Module::entries();
    EXPECT_TRUE(Vst3Module::enter());
    EXPECT_TRUE(Vst3Module::enter());
    EXPECT_TRUE(Vst3Module::exit());
    EXPECT_TRUE(Vst3Module::exit());
    EXPECT_EQ(Vst3Module::entries(), before);
    while (Vst3Module::entries() > 0) {
        Vst3Module::exit();
    }
    EXPECT_FALSE(Vst3Module::exit());
    EXPECT_EQ(Vst3Module::entries(), 0);
}

TEST(Vst3Component, EditorEditsReachTheHostAsEditGestures) {
    using Kind = quovent::test::Vst3ComponentHandler::EditKind;
    auto* component = new quovent::Vst3Component();
    ASSERT_EQ(component->initialize(nullptr), kResultOk);
    quovent::test::Vst3ComponentHandler handler;
    ASSERT_EQ(component->setComponentHandler(&handler), kResultOk);
    const auto pan = quovent::ParameterTable::slotParameter(4, quovent::SlotField::Pan);
    quovent::Instrument& instrument = component->instrument();
    instrument.beginParameterEdit(pan);
    instrument.editParameter(pan, 0.25f);
    instrument.editParameter(pan, 7.0f); // the model clamps; the host hears the stored value
    instrument.endParameterEdit(pan);
    const auto edits = handler.edits();
    ASSERT_EQ(edits.size(), 4u);
    EXPECT_EQ(edits[0].kind, Kind::Begin);
    EXPECT_EQ(edits[0].id, pan);
    EXPECT_EQ(edits[1].kind, Kind::Perform);
    EXPECT_DOUBLE_EQ(edits[1].value, 0.25);
    EXPECT_EQ(edits[2].kind, Kind::Perform);
    EXPECT_DOUBLE_EQ(edits[2].value, 1.0);
    EXPECT_EQ(edits[3].kind, Kind::End);
    EXPECT_DOUBLE_EQ(component->getParamNormalized(pan), 1.0);
    // The host's own changes are not echoed back to it.
    ASSERT_EQ(component->setParamNormalized(pan, 0.5), kResultOk);
    EXPECT_EQ(handler.edits().size(), 4u);
    component->terminate();
    EXPECT_EQ(handler.references(), 0u);
    EXPECT_EQ(component->release(), 0u);
}
