// The LV2 binding's message handling on its own: what run() takes from the host's atom input
// (good and hostile sequences), the replies it writes, and the worker's messages. Under the
// sanitizer build these run with AddressSanitizer watching every read.
#include "formats/lv2/AtomInput.hpp"
#include "formats/lv2/AtomOutput.hpp"
#include "formats/lv2/PluginUris.hpp"
#include "formats/lv2/WorkMessage.hpp"
#include "tests/support/AtomSequenceBuilder.hpp"
#include "tests/support/UridMap.hpp"

#include <gtest/gtest.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/time/time.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace quovent::lv2;
namespace limits = quovent::lv2::capacity;
using quovent::test::AtomSequenceBuilder;
using quovent::test::UridMap;

namespace {

struct Midi {
    int frame;
    int status, data1, data2;
    bool operator==(const Midi&) const = default;
};

struct Recorder final : AtomInputHandler {
    std::vector<Midi> midi;
    std::vector<double> tempos;
    std::vector<std::pair<int, std::string>> sets;
    std::vector<int> gets;

    void midiEvent(int frame, std::uint8_t s, std::uint8_t d1, std::uint8_t d2) noexcept override {
        midi.push_back({frame, s, d1, d2});
    }
    void tempo(double bpm) noexcept override { tempos.push_back(bpm); }
    void setProperty(int property, std::string_view path) noexcept override {
        sets.emplace_back(property, std::string(path));
    }
    void getProperty(int property) noexcept override { gets.push_back(property); }
};

class AtomInputTest : public ::testing::Test {
protected:
    AtomInputTest() { urids.mapAll(*map.mapFeature()); }

    AtomInputCounts read(std::uint32_t frames = 256) {
        return AtomInput::read(in.data(), in.usedBytes(), frames, urids, seen);
    }
    LV2_URID id(const char* uri) { return map.map(uri); }
    std::string slot(int n) { return PluginUris::property(PluginUris::propertyOfSlot(n - 1)); }

    // An object event built by hand: otype and the given properties' raw bytes.
    void objectEvent(LV2_URID otype, const std::vector<std::uint8_t>& properties,
                     std::uint32_t declaredSize = 0) {
        std::vector<std::uint8_t> body(8, 0);
        std::memcpy(body.data() + 4, &otype, 4);
        body.insert(body.end(), properties.begin(), properties.end());
        in.event(0, urids.atomObject, body.data(),
                 declaredSize ? declaredSize : static_cast<std::uint32_t>(body.size()));
    }
    static std::vector<std::uint8_t> property(LV2_URID key, LV2_URID type, const void* value,
                                              std::uint32_t size, std::uint32_t declaredSize = 0) {
        std::vector<std::uint8_t> bytes(16 + ((size + 7) & ~7U), 0);
        const std::uint32_t header[4] = {key, 0, declaredSize ? declaredSize : size, type};
        std::memcpy(bytes.data(), header, sizeof header);
        std::memcpy(bytes.data() + 16, value, size);
        return bytes;
    }

    UridMap map;
    Urids urids;
    AtomSequenceBuilder in{map.mapFeature(), 65536};
    Recorder seen;
};

TEST_F(AtomInputTest, ChannelMessagesArriveAtTheirFramesClampedIntoTheBlock) {
    in.midi(0, {0x99, 36, 100});
    in.midi(17, {0x80, 36, 0});
    in.midi(255, {0xC3, 5});      // two-byte message
    in.midi(-40, {0x9E, 61, 90}); // before the block
    in.midi(1000, {0x90, 60, 1}); // past its end
    in.midi(std::numeric_limits<std::int64_t>::max(), {0xB0, 123, 0});
    const AtomInputCounts counts = read(256);
    EXPECT_EQ(counts.midi, 6);
    EXPECT_EQ(counts.ignored, 0);
    const std::vector<Midi> expected{{0, 0x99, 36, 100}, {17, 0x80, 36, 0},  {255, 0xC3, 5, 0},
                                     {0, 0x9E, 61, 90},  {255, 0x90, 60, 1}, {255, 0xB0, 123, 0}};
    EXPECT_EQ(seen.midi, expected);

    seen.midi.clear();
    in.clear();
    in.midi(99, {0x90, 60, 1});
    read(0); // an empty block still takes its events, at 0
    EXPECT_EQ(seen.midi, (std::vector<Midi>{{0, 0x90, 60, 1}}));
    // Hosts leave the unit unset (0 or a stale value): only beat time is not frames.
    const std::pair<LV2_URID, int> units[] = {
        {0, 99}, {id(LV2_ATOM__frameTime), 99}, {0xDEADBEEF, 99}, {id(LV2_ATOM__beatTime), 0}};
    for (const auto& [unit, frame] : units) {
        seen.midi.clear();
        in.declareUnit(unit);
        read(256);
        EXPECT_EQ(seen.midi, (std::vector<Midi>{{frame, 0x90, 60, 1}})) << unit;
    }
}

TEST_F(AtomInputTest, MidiThatIsNoChannelMessageOrMalformedIsIgnored) {
    const LV2_URID midi = id(LV2_MIDI__MidiEvent);
    in.event(0, midi, nullptr, 0);        // empty
    in.midi(0, {0xF0, 0x7E, 0x7F, 0xF7}); // SysEx
    in.midi(0, {0xF8});                   // clock
    in.midi(0, {0x3C, 0x40});             // running status
    in.midi(0, {0x90, 60});               // note-on cut short
    in.midi(0, {0x90, 0x80, 1});          // data byte with the top bit
    in.midi(0, {0x90, 60, 0xFF});
    const std::uint8_t wrongType[3] = {0x90, 60, 100};
    in.event(0, urids.atomInt, wrongType, 3); // note bytes in an Int atom
    in.event(0, 0, wrongType, 3);             // type 0
    const AtomInputCounts counts = read();
    EXPECT_EQ(counts.midi, 0);
    EXPECT_EQ(counts.ignored, 9);
    EXPECT_TRUE(seen.midi.empty());
}

TEST_F(AtomInputTest, SequenceAndEventSizesAreNeverBelieved) {
    // Too short for a sequence header, or not a sequence at all: no events.
    in.midi(0, {0x90, 60, 100});
    EXPECT_EQ(AtomInput::read(in.data(), 15, 256, urids, seen).midi, 0);
    LV2_Atom_Sequence* seq = in.sequence();
    const std::uint32_t sequenceType = seq->atom.type;
    seq->atom.type = urids.atomInt;
    EXPECT_EQ(read().midi, 0);
    seq->atom.type = sequenceType;
    EXPECT_EQ(AtomInput::read(nullptr, 1024, 256, urids, seen).midi, 0);

    // A sequence claiming more than the buffer holds is read only within the buffer: the
    // copy below has exactly one event's bytes, however large the claim.
    in.clear();
    in.midi(5, {0x90, 60, 100});
    std::vector<std::uint8_t> exact(in.data(), in.data() + in.usedBytes());
    reinterpret_cast<LV2_Atom_Sequence*>(exact.data())->atom.size = 0xFFFFFFF0u;
    const AtomInputCounts claimed = AtomInput::read(exact.data(), exact.size(), 256, urids, seen);
    EXPECT_EQ(claimed.midi, 1);

    // An event running past the sequence ends the reading there.
    in.clear();
    in.midi(1, {0x90, 61, 100});
    const std::uint8_t note[3] = {0x90, 62, 100};
    in.event(2, id(LV2_MIDI__MidiEvent), note, 3);
    const std::uint32_t goodSize = in.sequence()->atom.size;
    in.midi(3, {0x90, 63, 100});
    // The second event's atom size made huge, then the sequence cut inside its header.
    std::uint8_t* second = in.data() + sizeof(LV2_Atom_Sequence) + 24;
    const std::uint32_t huge = 0xFFFFFFFFu;
    std::memcpy(second + 8, &huge, 4);
    seen.midi.clear();
    const AtomInputCounts overlong = read();
    EXPECT_EQ(overlong.midi, 1);
    EXPECT_EQ(overlong.ignored, 1);
    in.declareSize(goodSize - 20); // ends inside the second event's header
    seen.midi.clear();
    EXPECT_EQ(read().midi, 1);
    ASSERT_EQ(seen.midi.size(), 1u);
    EXPECT_EQ(seen.midi[0].data1, 61);
}

TEST_F(AtomInputTest, MisalignedBuffersAreReadAsAlignedOnes) {
    in.midi(3, {0x90, 60, 100});
    in.tempo(0, 133.0f);
    in.patchSet(0, slot(2), "/tmp/kick.wav");
    std::vector<std::uint8_t> shifted(in.usedBytes() + 1);
    std::memcpy(shifted.data() + 1, in.data(), in.usedBytes());
    const AtomInputCounts counts =
        AtomInput::read(shifted.data() + 1, in.usedBytes(), 256, urids, seen);
    EXPECT_EQ(counts.midi, 1);
    EXPECT_EQ(counts.tempo, 1);
    EXPECT_EQ(counts.sets, 1);
}

TEST_F(AtomInputTest, TempoComesFromPositionsWithANumberAsTheHostWroteIt) {
    in.tempo(0, 97.5f);
    const double doubleBpm = 140.0;
    const std::int32_t intBpm = 90;
    const std::int64_t longBpm = 180;
    const LV2_URID position = id(LV2_TIME__Position);
    const LV2_URID bpm = id(LV2_TIME__beatsPerMinute);
    objectEvent(position, property(bpm, urids.atomDouble, &doubleBpm, 8));
    objectEvent(position, property(bpm, urids.atomInt, &intBpm, 4));
    objectEvent(position, property(bpm, urids.atomLong, &longBpm, 8));
    const AtomInputCounts good = read();
    EXPECT_EQ(good.tempo, 4);
    EXPECT_EQ(seen.tempos, (std::vector<double>{97.5, 140.0, 90.0, 180.0}));

    in.clear();
    seen.tempos.clear();
    const float speed = 1.0f;
    objectEvent(position, property(id(LV2_TIME__speed), urids.atomFloat, &speed, 4)); // no tempo
    objectEvent(position, property(bpm, id(LV2_ATOM__String), "120", 4));             // a text
    objectEvent(position, property(bpm, urids.atomDouble, &doubleBpm, 4)); // body too short
    std::vector<std::uint8_t> twice = property(bpm, urids.atomInt, &intBpm, 4);
    const std::vector<std::uint8_t> again = twice;
    twice.insert(twice.end(), again.begin(), again.end());
    objectEvent(position, twice);                                                // the key twice
    objectEvent(position, property(bpm, urids.atomDouble, &doubleBpm, 8, 4000)); // past the object
    objectEvent(position, {}, 4);                                                // body too short
    const AtomInputCounts bad = read();
    EXPECT_EQ(bad.tempo, 0);
    EXPECT_EQ(bad.ignored, 5);
    EXPECT_TRUE(seen.tempos.empty());
}

TEST_F(AtomInputTest, PatchSetNamesOneOfOurPropertiesAndAPathThatEndsInIt) {
    const std::string ours(PluginUris::kPlugin);
    in.patchSet(0, PluginUris::property(PluginUris::kBankProperty), "/banks/a.json");
    in.patchSet(0, slot(8), "/s/8.wav", ours);
    in.patchSet(0, slot(1), ""); // empty: the worker decides
    const std::string longest(limits::kPathBytes - 1, 'p');
    in.patchSet(0, slot(2), longest);
    const AtomInputCounts good = read();
    EXPECT_EQ(good.sets, 4);
    ASSERT_EQ(seen.sets.size(), 4u);
    EXPECT_EQ(seen.sets[0], (std::pair<int, std::string>{0, "/banks/a.json"}));
    EXPECT_EQ(seen.sets[1], (std::pair<int, std::string>{8, "/s/8.wav"}));
    EXPECT_EQ(seen.sets[2], (std::pair<int, std::string>{1, ""}));
    EXPECT_EQ(seen.sets[3].second.size(), longest.size());

    in.clear();
    seen.sets.clear();
    in.patchSet(0, slot(1), std::string(limits::kPathBytes, 'p'));    // too long
    in.patchSet(0, slot(1), "/x.wav", "https://example.org/another"); // not our subject
    in.patchSet(0, ours + "#slot9", "/x.wav");                        // no such property
    in.patchSet(0, std::string(LV2_PATCH__value), "/x.wav");          // a URI, not a property
    const LV2_URID set = id(LV2_PATCH__Set);
    const LV2_URID key = id(LV2_PATCH__property);
    const LV2_URID value = id(LV2_PATCH__value);
    const LV2_URID slot1 = map.map(slot(1));
    std::vector<std::uint8_t> asInt = property(key, urids.atomInt, &slot1, 4);
    const std::vector<std::uint8_t> path = property(value, urids.atomPath, "/x.wav", 7);
    asInt.insert(asInt.end(), path.begin(), path.end());
    objectEvent(set, asInt); // property as an Int
    std::vector<std::uint8_t> asText = property(key, urids.atomUrid, &slot1, 4);
    const std::vector<std::uint8_t> text = property(value, id(LV2_ATOM__String), "/x.wav", 7);
    asText.insert(asText.end(), text.begin(), text.end());
    objectEvent(set, asText); // value a String, not a Path
    std::vector<std::uint8_t> open = property(key, urids.atomUrid, &slot1, 4);
    const std::vector<std::uint8_t> unterminated = property(value, urids.atomPath, "/x.wav", 6);
    open.insert(open.end(), unterminated.begin(), unterminated.end());
    objectEvent(set, open);                                     // no zero within the atom
    objectEvent(set, property(key, urids.atomUrid, &slot1, 4)); // no value
    const AtomInputCounts bad = read();
    EXPECT_EQ(bad.sets, 0);
    EXPECT_EQ(bad.ignored, 8);
    EXPECT_TRUE(seen.sets.empty());

    // A zero inside the path ends it there.
    in.clear();
    std::vector<std::uint8_t> cut = property(key, urids.atomUrid, &slot1, 4);
    const std::vector<std::uint8_t> inner = property(value, urids.atomPath, "/a\0/etc", 8);
    cut.insert(cut.end(), inner.begin(), inner.end());
    objectEvent(set, cut);
    EXPECT_EQ(read().sets, 1);
    ASSERT_EQ(seen.sets.size(), 1u);
    EXPECT_EQ(seen.sets[0].second, "/a");
}

TEST_F(AtomInputTest, PatchGetAsksForOnePropertyOrAll) {
    in.patchGet(0);
    in.patchGet(0, slot(4));
    in.patchGet(0, {}, std::string(PluginUris::kPlugin));
    in.patchGet(0, {}, "https://example.org/another");
    in.patchGet(0, std::string(PluginUris::kPlugin) + "#nothing");
    objectEvent(id("https://example.org/ns#Unknown"), {});
    objectEvent(0, {});
    const AtomInputCounts counts = read();
    EXPECT_EQ(counts.gets, 3);
    EXPECT_EQ(counts.ignored, 4);
    EXPECT_EQ(seen.gets, (std::vector<int>{AtomInputHandler::kAllProperties, 4,
                                           AtomInputHandler::kAllProperties}));
}

TEST_F(AtomInputTest, RandomDamageToAGoodSequenceNeverHandsOnAnythingOutOfBounds) {
    in.midi(3, {0x99, 36, 100});
    in.tempo(4, 128.0f);
    in.patchSet(5, slot(3), "/samples/snare.wav");
    in.patchGet(6, slot(3));
    in.midi(7, {0x8E, 61, 0});
    const std::vector<std::uint8_t> good(in.data(), in.data() + in.usedBytes());
    std::mt19937 random(20240607);
    constexpr std::uint32_t kFrames = 64;
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> bytes = good;
        const int damage = 1 + static_cast<int>(random() % 8);
        for (int d = 0; d < damage; ++d) {
            const std::size_t at = random() % bytes.size();
            bytes[at] = (random() % 2)
                            ? static_cast<std::uint8_t>(random())
                            : static_cast<std::uint8_t>(bytes[at] ^ (1u << (random() % 8)));
        }
        bytes.resize(random() % 4 == 0 ? random() % bytes.size() : bytes.size());
        Recorder recorder;
        AtomInput::read(bytes.data(), bytes.size(), kFrames, urids, recorder);
        for (const Midi& m : recorder.midi) {
            ASSERT_TRUE(m.frame >= 0 && m.frame < static_cast<int>(kFrames));
            ASSERT_TRUE(m.status >= 0x80 && m.status < 0xF0 && m.data1 < 0x80 && m.data2 < 0x80);
        }
        for (const auto& [p, path] : recorder.sets) {
            ASSERT_TRUE(p >= 0 && p < limits::kProperties);
            ASSERT_LT(path.size(), limits::kPathBytes);
        }
        for (const int p : recorder.gets) {
            ASSERT_TRUE(p == AtomInputHandler::kAllProperties ||
                        (p >= 0 && p < limits::kProperties));
        }
    }
}

TEST(AtomOutput, RepliesAreWrittenWholeOrNotAtAll) {
    UridMap map;
    Urids urids;
    ASSERT_TRUE(urids.mapAll(*map.mapFeature()));
    AtomOutput output(*map.mapFeature(), urids);
    const std::string path = "/samples/kick.wav";
    const std::size_t exact = sizeof(LV2_Atom_Sequence) + AtomOutput::replyBytes(path.size());
    std::vector<std::uint64_t> buffer(64, 0xAAAAAAAAAAAAAAAAull);
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(buffer.data());

    seq->atom.size = static_cast<std::uint32_t>(exact);
    output.begin(seq, 0);
    EXPECT_TRUE(output.writeSet(3, path));
    EXPECT_FALSE(output.writeSet(4, "")); // full now
    output.end();
    EXPECT_EQ(sizeof(LV2_Atom) + seq->atom.size, exact);
    int replies = 0;
    LV2_ATOM_SEQUENCE_FOREACH(seq, event) {
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
        ASSERT_EQ(object->body.otype, urids.patchSet);
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, urids.patchProperty, &property, urids.patchValue, &value, 0);
        ASSERT_NE(property, nullptr);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(reinterpret_cast<const LV2_Atom_URID*>(property)->body, urids.properties[3]);
        EXPECT_EQ(value->type, urids.atomPath);
        EXPECT_STREQ(static_cast<const char*>(LV2_ATOM_BODY_CONST(value)), path.c_str());
        ++replies;
    }
    EXPECT_EQ(replies, 1);

    // One byte short: nothing written, the sequence stays empty and well formed.
    seq->atom.size = static_cast<std::uint32_t>(exact - 1);
    output.begin(seq, 0);
    EXPECT_FALSE(output.writeSet(3, path));
    output.end();
    EXPECT_EQ(seq->atom.size, sizeof(LV2_Atom_Sequence_Body));
    // The host's sequence size bounds the buffer as well.
    seq->atom.size = 4096;
    output.begin(seq, exact - 1);
    EXPECT_FALSE(output.writeSet(3, path));
    output.end();
    // No room for a sequence, or no buffer: nothing, and no write outside.
    seq->atom.size = 12;
    output.begin(seq, 0);
    EXPECT_FALSE(output.writeSet(0, path));
    output.end();
    EXPECT_EQ(seq->atom.size, 0u);
    output.begin(nullptr, 0);
    EXPECT_FALSE(output.writeSet(0, path));
    output.end();
}

TEST(WorkMessage, DecodesOnlyWhatEncodeMakes) {
    WorkMessage sent;
    sent.kind = WorkMessage::Kind::SetAnswer;
    sent.property = 5;
    sent.accepted = true;
    sent.path = "/samples/hat.wav";
    WorkMessage::Buffer bytes{};
    const std::size_t size = sent.encode(bytes);
    ASSERT_GT(size, 0u);
    const std::optional<WorkMessage> got = WorkMessage::decode(bytes.data(), size);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->kind, WorkMessage::Kind::SetAnswer);
    EXPECT_EQ(got->property, 5);
    EXPECT_TRUE(got->accepted);
    EXPECT_EQ(got->path, "/samples/hat.wav");

    EXPECT_FALSE(WorkMessage::decode(nullptr, size));
    for (std::size_t cut = 0; cut < size; ++cut) {
        EXPECT_FALSE(WorkMessage::decode(bytes.data(), cut)) << cut;
    }
    const auto damaged = [&](std::size_t at, std::uint8_t value) {
        WorkMessage::Buffer copy = bytes;
        copy[at] = value;
        return WorkMessage::decode(copy.data(), size).has_value();
    };
    EXPECT_FALSE(damaged(0, 7));          // no such kind
    EXPECT_FALSE(damaged(4, 9));          // property out of range
    EXPECT_FALSE(damaged(7, 0x80));       // negative property
    EXPECT_FALSE(damaged(8, 2));          // accepted neither 0 nor 1
    EXPECT_FALSE(damaged(12, 3));         // path length disagreeing with the size
    EXPECT_FALSE(damaged(size - 1, 'x')); // no zero at the end
    EXPECT_FALSE(damaged(17, 0));         // a zero inside the path

    WorkMessage tooLong = sent;
    const std::string longPath(limits::kPathBytes, 'p');
    tooLong.path = longPath;
    EXPECT_EQ(tooLong.encode(bytes), 0u);
    WorkMessage noProperty = sent;
    noProperty.property = limits::kProperties;
    EXPECT_EQ(noProperty.encode(bytes), 0u);
}

} // namespace
