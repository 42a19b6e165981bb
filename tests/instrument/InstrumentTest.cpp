// The instrument on its own, as every plug-in format uses it: its operations on the model,
// the stable parameters, rendering a groove with no editor anywhere in the program, and
// instances that leave each other alone.
#include "instrument/Instrument.hpp"
#include "instrument/ProcessBlock.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quovent::test {
namespace {

constexpr int kBlock = 256;

InstrumentEvent midi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    return InstrumentEvent::midiMessage(frame, status, data1, data2);
}

// One host block as a format hands it over: its first outputCount buffers hold `held`.
struct Block {
    int frames = kBlock;
    std::vector<InstrumentEvent> events;
    double tempo = 0.0;
    ProcessBlock::NoteOffs noteOffs = ProcessBlock::NoteOffs::AtFrame;
    int outputCount = Instrument::kOutputs;
    ProcessBlock::Mix mix = ProcessBlock::Mix::Replace;
    float held = 0.0f;
};

// Each output of the blocks, block after block.
using Channels = std::array<std::vector<float>, Instrument::kOutputs>;

Channels renderBlocks(Instrument& instrument, const std::vector<Block>& blocks) {
    Channels all;
    for (const Block& b : blocks) {
        Channels out;
        std::array<float*, Instrument::kOutputs> pointers{};
        for (std::size_t c = 0; c < out.size(); ++c) {
            out[c].assign(static_cast<std::size_t>(b.frames), b.held);
            pointers[c] = out[c].data();
        }
        ProcessBlock block;
        block.outputs = pointers.data();
        block.outputCount = b.outputCount;
        block.frames = b.frames;
        block.events = b.events;
        block.tempo = b.tempo;
        block.noteOffs = b.noteOffs;
        block.mix = b.mix;
        instrument.process(block);
        for (std::size_t c = 0; c < out.size(); ++c) {
            all[c].insert(all[c].end(), out[c].begin(), out[c].end());
        }
    }
    return all;
}

// `count` blocks of kBlock frames; the events come with the first.
Channels renderBlocks(Instrument& instrument, int count,
                      const std::vector<InstrumentEvent>& events = {}, double tempo = 0.0) {
    std::vector<Block> blocks(static_cast<std::size_t>(count));
    for (Block& b : blocks) {
        b.tempo = tempo;
    }
    if (!blocks.empty()) {
        blocks[0].events = events;
    }
    return renderBlocks(instrument, blocks);
}

float peak(const Channels& channels) {
    float p = 0.0f;
    for (const auto& c : channels) {
        for (const float s : c) {
            p = std::max(p, std::abs(s));
        }
    }
    return p;
}

// A groove: slot 1 and 2 with samples, a few steps on in pattern 0.
std::string grooveText(const ScratchDirectory& dir) {
    TestWav::decayingSquare(6000, 20000, 40).write(dir.path() / "one.wav");
    TestWav::decayingSquare(3000, 12000, 17).write(dir.path() / "two.wav");
    Instrument maker;
    Slot& one = maker.sequencer().slots().slot(0);
    Slot& two = maker.sequencer().slots().slot(1);
    one.setSamplePath((dir.path() / "one.wav").string(), maker.samplesPerStep());
    two.setSamplePath((dir.path() / "two.wav").string(), maker.samplesPerStep());
    two.setOutputPair(3);
    for (int step : {0, 4, 8, 12}) {
        maker.sequencer().patterns().row(0, 0).setStep(step, true);
    }
    maker.sequencer().patterns().row(0, 1).setStep(2, true);
    return maker.saveState();
}

class InstrumentTest : public ::testing::Test {
protected:
    Slot& slot(int i) { return instrument.sequencer().slots().slot(i); }
    Instrument instrument;
};

// Which slots sound, as the solo and mute flags stand; the mute flags stay the user's own.
TEST_F(InstrumentTest, SoloedSlotsSoundWhileAnySoloIsLitElseTheUnmutedOnes) {
    const auto solo = [&](int s, bool on) {
        instrument.setParameter(ParameterTable::slotParameter(s, SlotField::Solo),
                                on ? 1.0f : 0.0f);
    };
    const auto sounding = [&] {
        const std::uint32_t silent = instrument.sequencer().slots().silentSlots();
        std::string heard;
        for (int i = 0; i < 8; ++i) {
            heard += (silent >> i & 1U) == 0 ? '1' : '0';
        }
        return heard;
    };
    slot(2).active = 0; // muted before any solo
    slot(9).active = 0; // a slot without a row follows its mute alone
    EXPECT_EQ(sounding(), "11011111");
    solo(4, true);
    EXPECT_EQ(sounding(), "00001000");
    solo(2, true); // a second solo adds its slot, muted or not
    EXPECT_EQ(sounding(), "00101000");
    solo(4, false);
    EXPECT_EQ(sounding(), "00100000");
    solo(2, false); // with the last solo off the mutes are as they were
    EXPECT_EQ(sounding(), "11011111");
    EXPECT_EQ(slot(2).active, 0);
    EXPECT_NE(instrument.sequencer().slots().silentSlots() & 1U << 9, 0U);
}

TEST(ParameterTableTest, IdsAndSymbolsAreUniqueAndEveryEntryIsFoundByItsId) {
    std::set<ParameterId> ids;
    std::set<std::string> symbols;
    int index = 0;
    for (const ParameterInfo& p : ParameterTable::all()) {
        EXPECT_TRUE(ids.insert(p.id).second) << p.id;
        EXPECT_TRUE(symbols.insert(std::string(p.symbolText())).second) << p.symbolText();
        EXPECT_EQ(ParameterTable::find(p.id), &p);
        EXPECT_EQ(ParameterTable::indexOf(p.id), index++);
        EXPECT_LE(p.minimum, p.defaultValue);
        EXPECT_GE(p.maximum, p.defaultValue);
        EXPECT_EQ(p.labelCount, p.kind == ParameterKind::Continuous ? 0 : p.stepCount() + 1)
            << p.nameText();
    }
    EXPECT_EQ(ParameterTable::find(ParameterTable::slotParameter(2, SlotField::Pan))->nameText(),
              "Slot 3 Pan");
    EXPECT_EQ(ParameterTable::find(ParameterTable::kShuffle)->symbolText(), "shuffle");
    for (const ParameterId none : {0u, 2u, 100u, 111u, 900u, 901u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ParameterTable::find(none), nullptr) << none;
    }
}

TEST(ParameterTableTest, NormalizedValuesRoundTripAndStepsLandOnWholeValues) {
    const ParameterInfo& output =
        *ParameterTable::find(ParameterTable::slotParameter(0, SlotField::Output));
    EXPECT_EQ(ParameterTable::toNormalized(output, 1.0f), 0.0);
    EXPECT_EQ(ParameterTable::toNormalized(output, 6.0f), 1.0);
    EXPECT_EQ(ParameterTable::fromNormalized(output, 0.39), 3.0f); // 2.95 rounds up
    EXPECT_EQ(ParameterTable::fromNormalized(output, -4.0), 1.0f);
    EXPECT_EQ(ParameterTable::fromNormalized(output, std::nan("")), 1.0f); // the default
    const ParameterInfo& volume = ParameterTable::all().front();
    for (const float v : {0.0f, 0.123f, 0.65f, 1.0f}) {
        EXPECT_EQ(ParameterTable::fromNormalized(volume, ParameterTable::toNormalized(volume, v)),
                  v);
    }
}

TEST_F(InstrumentTest, HostValuesAreClampedRoundedOrRefusedAndEachReachesItsSetting) {
    using F = SlotField;
    const auto id = [](int s, F f) { return ParameterTable::slotParameter(s, f); };
    EXPECT_TRUE(instrument.setParameter(id(1, F::Volume), 0.25f));
    EXPECT_EQ(slot(1).volume, 0.25f);
    EXPECT_TRUE(instrument.setParameter(id(1, F::Volume), 7.0f));
    EXPECT_EQ(slot(1).volume, 1.0f);
    EXPECT_TRUE(instrument.setParameter(id(1, F::Volume), -std::numeric_limits<float>::infinity()));
    EXPECT_EQ(slot(1).volume, 0.0f);
    EXPECT_FALSE(instrument.setParameter(id(1, F::Volume), std::nanf("")));
    EXPECT_EQ(slot(1).volume, 0.0f);
    EXPECT_FALSE(instrument.setParameter(999, 0.5f));

    instrument.setParameter(id(4, F::Filter), 2.4f);
    EXPECT_EQ(slot(4).filterMode, 2);
    instrument.setParameter(id(4, F::Output), 9.0f);
    EXPECT_EQ(slot(4).outputPair, 6);
    instrument.setParameter(id(5, F::Mute), 1.0f);
    EXPECT_EQ(slot(5).active, 0);
    instrument.setParameter(ParameterTable::kShuffle, 0.5f);
    EXPECT_EQ(instrument.sequencer().shuffleAmount, 0.5f);
    // Every parameter reads back the plain value it was given (solo and mute: the first test).
    for (const ParameterInfo& p : ParameterTable::all()) {
        instrument.setParameter(p.id, p.maximum);
        EXPECT_EQ(instrument.parameter(p.id), p.maximum) << p.nameText();
    }
}

TEST_F(InstrumentTest, ATuneChangeStretchesASynchronisedSlotAgain) {
    ScratchDirectory dir;
    TestWav::decayingSquare(88200, 1000, 50).write(dir.path() / "loop.wav");
    slot(0).setSamplePath((dir.path() / "loop.wav").string(), instrument.samplesPerStep());
    slot(0).setSync(true, instrument.samplesPerStep()); // tune 0.5: 16 steps
    EXPECT_FLOAT_EQ(slot(0).syncIncrement, 88200.0f / (5512.5f * 16.0f));
    instrument.setParameter(ParameterTable::slotParameter(0, SlotField::Tune), 0.9f); // 4 steps
    EXPECT_FLOAT_EQ(slot(0).syncIncrement, 88200.0f / (5512.5f * 4.0f));
}

class RecordingListener : public InstrumentListener {
public:
    void parameterEditBegan(ParameterId id) override {
        heard.push_back("begin " + std::to_string(id));
    }
    void parameterEdited(ParameterId id, float v) override {
        heard.push_back(std::to_string(id) + "=" + std::to_string(v));
    }
    void parameterEditEnded(ParameterId id) override {
        heard.push_back("end " + std::to_string(id));
    }
    std::vector<std::string> heard;
};

TEST_F(InstrumentTest, EditorEditsReachTheListenerAndTheHostsOwnChangesDoNot) {
    RecordingListener listener;
    instrument.setListener(&listener);
    const ParameterId pan = ParameterTable::slotParameter(3, SlotField::Pan);
    instrument.beginParameterEdit(pan);
    instrument.editParameter(pan, 2.0f);
    instrument.endParameterEdit(pan);
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"begin 406", "406=1.000000", "end 406"}));
    EXPECT_EQ(slot(3).pan, 1.0f);
    const unsigned before = instrument.hostParameterChanges();
    instrument.setParameter(pan, 0.5f);
    EXPECT_EQ(listener.heard.size(), 3u);
    EXPECT_EQ(instrument.hostParameterChanges(), before + 1);
    instrument.editParameter(pan, std::nanf("")); // no value: nothing stored, nothing told
    EXPECT_EQ(listener.heard.size(), 3u);
    // Hosts record edits in whole gestures: a click outside one is a gesture of its own, a
    // second begin and an end without a begin are not passed on.
    listener.heard.clear();
    instrument.editParameter(pan, 0.25f);
    instrument.endParameterEdit(pan);
    instrument.beginParameterEdit(pan);
    instrument.beginParameterEdit(pan);
    instrument.endParameterEdit(pan);
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"begin 406", "406=0.250000", "end 406",
                                                        "begin 406", "end 406"}));
    instrument.setListener(nullptr);
}

// One instance plays a note on channel 1 and lets it go; what it renders must not depend on
// what a second instance in the same process does meanwhile.
std::array<Channels, 2> playAndRelease(Instrument& a, const std::function<void()>& meanwhile) {
    Channels played = renderBlocks(a, 3, {midi(0, 0x90, 64, 110)}, 100.0);
    meanwhile();
    return {played, renderBlocks(a, 60, {midi(5, 0x80, 64, 0)}, 100.0)};
}

TEST(InstrumentInstances, OnesCreationRateChangeOrRestoreChangesNothingInAnothersOutput) {
    const ScratchDirectory dir;
    const std::string groove = grooveText(dir);
    const auto prepared = [&] {
        auto i = std::make_unique<Instrument>();
        EXPECT_TRUE(i->restoreState(groove).ok);
        i->setSampleRate(48000.0f);
        return i;
    };
    auto alone = prepared();
    const std::array<Channels, 2> reference = playAndRelease(*alone, [] {});
    ASSERT_GT(peak(reference[0]), 0.05f);

    auto a = prepared();
    std::unique_ptr<Instrument> b;
    const std::array<Channels, 2> beside = playAndRelease(*a, [&] {
        b = std::make_unique<Instrument>(); // a new instance...
        b->setSampleRate(22050.0f);         // ...with a rate of its own
        b->restoreState(R"({"format": "quovent-bank", "version": 1, "shuffleAmount": 1})");
        renderBlocks(*b, 2, {midi(0, 0x9e, 61, 127)});
    });
    EXPECT_EQ(beside, reference);
    EXPECT_EQ(b->sequencer().noteOffScale(), NoteRatioTable::kNoteOffScaleAfterRate);
    EXPECT_EQ(Instrument().sequencer().noteOffScale(), NoteRatioTable::kNoteOffScale);
}

TEST_F(InstrumentTest, ASampleRateOutsideWhatTheInstrumentRendersIsRefused) {
    EXPECT_TRUE(instrument.setSampleRate(48000.0));
    for (const double bad : {0.0, -44100.0, std::nan(""), std::numeric_limits<double>::infinity(),
                             1.0e9, 3.0, Instrument::kMaxSampleRate * 1.01}) {
        EXPECT_FALSE(instrument.setSampleRate(bad)) << bad;
        EXPECT_EQ(instrument.sampleRate(), 48000.0f);
    }
    EXPECT_TRUE(instrument.setSampleRate(Instrument::kMinSampleRate));
    EXPECT_TRUE(instrument.setSampleRate(Instrument::kMaxSampleRate));
}

// How process carries out a block's events, each pair of renderings the same sound: events
// in any order or outside the block, and a block cut where a note-off or a change acts.
TEST_F(InstrumentTest, EventsAreOrderedClampedAndActAtTheirFrames) {
    const ScratchDirectory dir;
    const std::string groove = grooveText(dir);
    const ParameterId volume = ParameterTable::slotParameter(0, SlotField::Volume);
    const auto on = midi(10, 0x90, 60, 100);
    const auto change = InstrumentEvent::parameterChange(200, volume, 0.2f);
    const auto off = midi(300, 0x80, 60, 0);
    const auto at = [](InstrumentEvent e, int frame) {
        e.frame = frame;
        return e;
    };
    using Blocks = std::vector<Block>;
    const auto blockStart = ProcessBlock::NoteOffs::AtBlockStart;
    struct Case {
        const char* what;
        Blocks played;
        Blocks expected;
    };
    const std::vector<Case> cases = {
        {"any order", {{512, {off, change, on}}, {}}, {{512, {on, change, off}}, {}}},
        {"outside the block",
         {{512, {at(on, -7), at(off, 9999)}}},
         {{512, {at(on, 0), at(off, 511)}}}},
        {"note-off at its frame", {{512, {on, off}}, {}}, {{300, {on}}, {212, {at(off, 0)}}, {}}},
        {"change at its frame",
         {{512, {on, change}}, {}},
         {{200, {on}}, {312, {at(change, 0)}}, {}}},
        {"note-off from the block's start",
         {{512, {on, off}, 0.0, blockStart}, {256, {}, 0.0, blockStart}},
         {{512, {on, at(off, 10)}}, {}}},
        {"a change at a note-on's frame",
         {{512, {at(change, 10), on}}},
         {{10, {}}, {502, {at(on, 0), at(change, 0)}}}},
        {"a block of no frames", {{0, {at(on, 5)}}, {}}, {{kBlock, {at(on, 0)}}}},
    };
    for (const Case& c : cases) {
        Instrument a;
        Instrument b;
        ASSERT_TRUE(a.restoreState(groove).ok && b.restoreState(groove).ok);
        const Channels played = renderBlocks(a, c.played);
        EXPECT_GT(peak(played), 0.05f) << c.what;
        const Channels expected = renderBlocks(b, c.expected);
        for (std::size_t ch = 0; ch < played.size(); ++ch) {
            EXPECT_EQ(played[ch], expected[ch]) << c.what << ", output " << ch;
        }
    }
}

TEST_F(InstrumentTest, OutputsLeftOutRenderIntoScratchAndTheHostChoosesReplaceOrAdd) {
    const ScratchDirectory dir;
    const std::string groove = grooveText(dir);
    constexpr int kLong = 3 * capacity::kRenderFrames + 17;
    const std::vector<InstrumentEvent> pattern = {midi(3, 0x9e, 60, 100)};
    Instrument full;
    ASSERT_TRUE(full.restoreState(groove).ok);
    const Channels whole = renderBlocks(full, {{kLong, pattern}, {}});

    // Only the first pair given, in a block longer than the scratch memory: the rest is
    // rendered and dropped, and time passes the same.
    Instrument partial;
    ASSERT_TRUE(partial.restoreState(groove).ok);
    const Channels first =
        renderBlocks(partial, {{.frames = kLong, .events = pattern, .outputCount = 2}});
    EXPECT_EQ(first[0], std::vector<float>(whole[0].begin(), whole[0].begin() + kLong));
    EXPECT_EQ(first[5], std::vector<float>(kLong, 0.0f));
    const Channels next = renderBlocks(partial, 1);
    for (std::size_t c = 0; c < next.size(); ++c) {
        EXPECT_EQ(next[c], std::vector<float>(whole[c].begin() + kLong, whole[c].end())) << c;
    }

    // Add: into what the buffers held; Replace: whatever they held.
    for (const ProcessBlock::Mix mix : {ProcessBlock::Mix::Add, ProcessBlock::Mix::Replace}) {
        Instrument i;
        ASSERT_TRUE(i.restoreState(groove).ok);
        const Channels out =
            renderBlocks(i, {{.frames = kLong, .events = pattern, .mix = mix, .held = 0.25f}});
        const float held = mix == ProcessBlock::Mix::Add ? 0.25f : 0.0f;
        for (std::size_t f = 0; f < static_cast<std::size_t>(kLong); f += 97) {
            ASSERT_EQ(out[0][f], whole[0][f] + held) << f;
        }
    }
}

TEST_F(InstrumentTest, TheHostsTempoIsBoundedAndNoneCountsAs120) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, float> cases[] = {
        {133.0, 133.0f}, {0.0, 120.0f},      {-90.0, 120.0f}, {std::nan(""), 120.0f},
        {inf, 120.0f},   {1.0e300, 1000.0f}, {0.25, 1.0f}};
    for (const auto& [given, taken] : cases) {
        renderBlocks(instrument, 1, {}, given);
        EXPECT_EQ(instrument.tempo(), taken) << given;
    }
}

TEST_F(InstrumentTest, ResetSilencesVoicesKeysAndPlayButKeepsTheGroove) {
    const ScratchDirectory dir;
    ASSERT_TRUE(instrument.restoreState(grooveText(dir)).ok);
    instrument.setPlaying(true);
    renderBlocks(instrument, 8, {midi(0, 0x9e, 60, 100), midi(0, 0x90, 60, 100)});
    ASSERT_GT(instrument.sequencer().liveVoices, 0);
    const std::string groove = instrument.saveState();
    instrument.setPlaying(true); // a request still waiting
    instrument.reset();
    EXPECT_EQ(peak(renderBlocks(instrument, 4)), 0.0f);
    EXPECT_EQ(instrument.sequencer().playing, 0);
    EXPECT_EQ(slot(0).heldNotes, 0);
    EXPECT_EQ(instrument.saveState(), groove);
}

TEST_F(InstrumentTest, ARestoreCountsAsAStateChangeAndMarksMissingSamplesForRelocation) {
    const unsigned before = instrument.stateChanges();
    EXPECT_FALSE(instrument.restoreState("{ not a state").ok);
    EXPECT_EQ(instrument.stateChanges(), before);
    const std::string missing =
        (std::filesystem::temp_directory_path() / "no-such-dir/gone.wav").string();
    const std::string text =
        R"({"format": "quovent-bank", "version": 1, "slots": [{}, {"samplePath": )" +
        nlohmann::json(missing).dump() + "}]}";
    const BankImportResult r = instrument.restoreState(text);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(instrument.stateChanges(), before + 1);
    EXPECT_FALSE(instrument.relocationPending(0));
    EXPECT_TRUE(instrument.relocationPending(1));
    EXPECT_EQ(slot(1).samplePath(), missing);
    EXPECT_FALSE(instrument.relocationPending(8)); // no such row: never pending
}

TEST_F(InstrumentTest, ASlotSampleFromAFileIsAllOrNothing) {
    const ScratchDirectory dir;
    TestWav::decayingSquare(3000, 20000, 40).write(dir.path() / "kit" / "a.wav");
    TestWav::decayingSquare(1000, 9000, 20).write(dir.path() / "kit" / "b.wav");
    const std::string a = (dir.path() / "kit" / "a.wav").string();
    EXPECT_EQ(instrument.loadSlotSample(2, a), "");
    EXPECT_EQ(slot(2).samplePath(), a);
    EXPECT_EQ(slot(2).sample.frameCount(), 3000);
    EXPECT_EQ(slot(2).directory.fileCount(), 2) << "its folder is listed for stepping";
    const unsigned changes = instrument.stateChanges();

    std::ofstream(dir.path() / "kit" / "broken.wav", std::ios::binary) << "RIFF\x04\0\0\0WAVE";
    for (const std::string& bad :
         {(dir.path() / "kit" / "broken.wav").string(), (dir.path() / "none.wav").string(),
          dir.path().string(), std::string("kit/a.wav"), std::string()}) {
        EXPECT_NE(instrument.loadSlotSample(2, bad), "") << bad;
        EXPECT_EQ(slot(2).samplePath(), a) << bad;
        EXPECT_EQ(slot(2).sample.frameCount(), 3000) << bad;
    }
    EXPECT_NE(instrument.loadSlotSample(8, a), "");
    EXPECT_NE(instrument.loadSlotSample(-1, a), "");
    EXPECT_EQ(instrument.stateChanges(), changes);
}

} // namespace
} // namespace quovent::test
