// MIDI handling: which voices a message starts or stops, the held-note counters and lamps,
// release values, the Play state, the editor's play requests and hostile input.
#include "EngineHarness.hpp"

#include "engine/NoteRatioTable.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

using namespace quovent;
using namespace quovent::test;

namespace {

class Midi : public testing::Test {
protected:
    void SetUp() override { seq.useNoteOffScaleAfterRate(); }

    void on(int channel, int note, int velocity = 100, int delta = 0) {
        seq.midiEvent(delta, static_cast<std::uint8_t>(0x90 | channel),
                      static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity));
    }
    void off(int channel, int note, bool asZeroVelocity = false) {
        // A note-off's own velocity means nothing; a note-on with velocity 0 is a note-off.
        const int kind = asZeroVelocity ? 0x90 : 0x80;
        const int velocity = asZeroVelocity ? 0 : 64;
        seq.midiEvent(0, static_cast<std::uint8_t>(kind | channel), static_cast<std::uint8_t>(note),
                      static_cast<std::uint8_t>(velocity));
    }
    void cc(int channel, int controller, int value = 0) {
        seq.midiEvent(0, static_cast<std::uint8_t>(0xB0 | channel),
                      static_cast<std::uint8_t>(controller), static_cast<std::uint8_t>(value));
    }
    VoicePool& pool() { return seq.voices(); }
    // Voices of pattern p that are not stopping.
    int running(int p) {
        int n = 0;
        for (int i = 0; i < pool().count(); ++i) {
            const Voice& v = pool().get(i);
            n += v.patternVoice != 0 && v.pattern == p && v.stopCountdown == 0 ? 1 : 0;
        }
        return n;
    }
    // An empty block: carries out the editor's request and publishes the voice count.
    void emptyBlock() { seq.renderBlock(nullptr, 0, 0.0f, 44100.0f); }

    std::unique_ptr<Sequencer> owned = std::make_unique<Sequencer>();
    Sequencer& seq = *owned;
};

} // namespace

// Which slot a note plays, at what pitch, and whether it counts as a held key with a lamp:
// channels 1 to 8 their slot chromatically, 10 the drums (notes 60 to 67 for slots 1 to 8
// at their own pitch), 9 and 11 to 14 their slot without held keys, 16 nothing. Channel 15
// plays patterns (below).
TEST_F(Midi, EachChannelPlaysItsSlotAtItsPitchAndOnlyOneToEightHoldKeys) {
    struct Case {
        int channel;
        int note;
        int slot; // -1: no voice
        float pitchRatio;
        bool held;
    };
    const Case cases[] = {
        {0, 72, 0, 2.0f, true},    {5, 48, 5, 0.5f, true},    {9, 63, 3, 1.0f, false},
        {9, 68, -1, 0.0f, false},  {9, 59, -1, 0.0f, false},  {8, 60, 8, 1.0f, false},
        {12, 60, 12, 1.0f, false}, {15, 60, -1, 0.0f, false}, {15, 72, -1, 0.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "channel " << c.channel << " note " << c.note);
        Sequencer fresh;
        fresh.midiEvent(17, static_cast<std::uint8_t>(0x90 | c.channel),
                        static_cast<std::uint8_t>(c.note), 127);
        ASSERT_EQ(fresh.voices().count(), c.slot < 0 ? 0 : 1);
        int heldKeys = 0;
        for (int s = 0; s < SlotBank::kSlots; ++s) {
            heldKeys += fresh.slots().slot(s).heldNotes + fresh.slots().slot(s).lamp;
        }
        EXPECT_EQ(heldKeys, c.held ? 2 : 0);
        if (c.slot < 0) {
            continue;
        }
        const Voice& v = fresh.voices().get(0);
        EXPECT_EQ(v.slot, c.slot);
        EXPECT_EQ(v.channel, c.channel);
        EXPECT_EQ(v.note, c.note);
        EXPECT_EQ(v.patternVoice, 0);
        EXPECT_EQ(v.pitchRatio, c.pitchRatio);
        EXPECT_EQ(v.velocityGain, 0.5f);
        EXPECT_EQ(v.startDelta, 17);
        if (c.held) {
            EXPECT_EQ(fresh.slots().slot(c.slot).heldNotes, 1);
            EXPECT_EQ(fresh.slots().slot(c.slot).lamp, 1);
        }
        // Its note-off stops it.
        fresh.midiEvent(0, static_cast<std::uint8_t>(0x80 | c.channel),
                        static_cast<std::uint8_t>(c.note), 0);
        EXPECT_NE(fresh.voices().get(0).stopCountdown, 0);
    }
}

TEST_F(Midi, NoteOffReleaseFollowsTheSlotTuneAndTheNoteOffScale) {
    // After a sample rate: 0.0928798 x ratio(60) - 1 added to the voice's own ratio.
    on(0, 72, 127);
    off(0, 72);
    EXPECT_EQ(pool().get(0).stopCountdown, 1967);
    EXPECT_EQ(seq.slots().slot(0).heldNotes, 0);
    EXPECT_EQ(seq.slots().slot(0).lamp, 0);

    on(1, 60);
    off(1, 60);
    EXPECT_EQ(pool().get(1).stopCountdown, 1800); // sum not above 1

    // Before any sample rate the scale is 1 (each sequencer has its own): ratio 2 + 0 gives
    // 3600.
    auto fresh = std::make_unique<Sequencer>();
    fresh->midiEvent(0, 0x92, 72, 100);
    fresh->midiEvent(0, 0x82, 72, 0);
    EXPECT_EQ(fresh->voices().get(0).stopCountdown, 3600);

    // The release reads the tune of the slot with the channel's index: tune 1.0 is entry 72.
    fresh->slots().slot(3).tune = 1.0f;
    fresh->midiEvent(0, 0x93, 60, 100);
    fresh->midiEvent(0, 0x83, 60, 0);
    EXPECT_EQ(fresh->voices().get(1).stopCountdown,
              static_cast<int>((1.0f + 2.0f - 1.0f) * 1800.0f));
}

TEST_F(Midi, VelocityZeroIsANoteOffAndTheNoteOffVelocityIsIgnored) {
    on(0, 64);
    on(0, 64);
    off(0, 64, true);
    EXPECT_EQ(pool().get(0).stopCountdown, 1800);
    EXPECT_EQ(pool().get(1).stopCountdown, 1800); // one note-off stops every matching voice
    EXPECT_EQ(pool().count(), 2);                 // no voice started by velocity 0
}

TEST_F(Midi, HeldNotesNeverFallBelowZeroAndTheLampWaitsForTheLastKey) {
    Slot& s = seq.slots().slot(2);
    on(2, 60);
    on(2, 62);
    off(2, 60);
    EXPECT_EQ(s.heldNotes, 1);
    EXPECT_EQ(s.lamp, 1);
    off(2, 62);
    off(2, 62);
    off(2, 99);
    EXPECT_EQ(s.heldNotes, 0);
    EXPECT_EQ(s.lamp, 0);
}

TEST_F(Midi, PatternNotesStartAndStopEightVoices) {
    on(14, 61, 127, 5);
    ASSERT_EQ(pool().count(), 8);
    for (int s = 0; s < 8; ++s) {
        const Voice& v = pool().get(s);
        EXPECT_EQ(v.slot, s);
        EXPECT_EQ(v.pattern, 1);
        EXPECT_EQ(v.note, 68 + s);
        EXPECT_EQ(v.channel, 15);
        EXPECT_EQ(v.patternVoice, 1);
        EXPECT_EQ(v.velocityGain, 0.5f);
        EXPECT_EQ(v.startDelta, 5);
    }
    on(14, 84);
    on(14, 59);
    EXPECT_EQ(pool().count(), 8);

    on(0, 68); // same key as slot 0's pattern voice, other channel
    off(14, 61);
    for (int s = 0; s < 8; ++s) {
        EXPECT_NE(pool().get(s).stopCountdown, 0);
    }
    EXPECT_EQ(pool().get(8).stopCountdown, 0);
}

TEST_F(Midi, APatternNoteOffOfThePatternTheEditorPlaysEndsPlaying) {
    seq.requestPlay(3);
    emptyBlock();
    off(14, 62); // another pattern
    EXPECT_EQ(seq.playing, 1);
    off(14, 63);
    EXPECT_EQ(seq.playing, 0);
    EXPECT_EQ(running(3), 0);
    // The pattern is no longer the editor's: stopping later touches no other voice.
    on(14, 63);
    seq.requestStop();
    emptyBlock();
    EXPECT_EQ(running(3), 8);
}

TEST_F(Midi, AllNotesOffOnAnyChannelStopsEverything) {
    on(14, 60);
    on(0, 72);
    on(1, 60);
    seq.playing = 1;
    cc(5, 121);
    cc(5, 120);
    EXPECT_EQ(pool().get(0).stopCountdown, 0);
    EXPECT_EQ(seq.playing, 1);

    cc(5, 123, 0);
    for (int i = 0; i < pool().count(); ++i) {
        const Voice& v = pool().get(i);
        EXPECT_EQ(v.stopCountdown, static_cast<int>(v.pitchRatio * 1800.0f));
    }
    EXPECT_EQ(seq.playing, 0);
    EXPECT_EQ(seq.slots().slot(0).heldNotes, 0);
    EXPECT_EQ(seq.slots().slot(1).heldNotes, 0);
    EXPECT_EQ(seq.slots().slot(0).lamp, 1); // lamps go off with the next note-off
    off(0, 72);
    EXPECT_EQ(seq.slots().slot(0).lamp, 0);
    EXPECT_EQ(seq.slots().slot(0).heldNotes, 0);
}

TEST_F(Midi, APatternStartsWholeOrNotAtAll) {
    for (int i = 0; i < VoicePool::kCapacity - 7; ++i) {
        on(1, 60);
    }
    ASSERT_EQ(pool().freeEntries(), 7);
    on(14, 60);
    EXPECT_EQ(pool().count(), VoicePool::kCapacity - 7);
    on(1, 60);
    on(1, 60);
    on(1, 60);
    EXPECT_EQ(pool().freeEntries(), 4);
    for (int i = 0; i < 20; ++i) {
        on(2, 60); // refused quietly once full
    }
    EXPECT_EQ(pool().count(), VoicePool::kCapacity);
}

// ---- The editor's play requests --------------------------------------------------------

TEST_F(Midi, EditorRequestsArriveAtTheNextBlock) {
    seq.requestPlay(5);
    EXPECT_EQ(seq.playing, 1); // the button answers at once
    EXPECT_EQ(pool().count(), 0);
    emptyBlock();
    ASSERT_EQ(pool().count(), 8);
    EXPECT_EQ(pool().get(0).pattern, 5);
    EXPECT_EQ(pool().get(0).startDelta, 0);
    EXPECT_EQ(pool().get(0).velocityGain, 0.5f);
    EXPECT_EQ(seq.liveVoices, 8);
    EXPECT_EQ(seq.playing, 1);

    seq.requestStop();
    EXPECT_EQ(seq.playing, 0);
    emptyBlock();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(pool().get(i).stopCountdown, 1800);
    }
    EXPECT_EQ(seq.playing, 0);
}

TEST_F(Midi, EveryClickSequenceEndsInTheStateAskedForWithOrWithoutBlocksBetween) {
    // What the editor sends for the clicks a user makes: Play on and off, the lit key or
    // bank again (its pattern from the start), another key. Run with a block after every
    // request, and with all requests of a sequence before one block (a host that pauses).
    struct Click {
        bool play;
        int pattern;
    };
    const std::vector<std::vector<Click>> sequences = {
        {{true, 0}, {true, 0}},              // the lit key while playing
        {{true, 0}, {true, 0}, {false, 0}},  // ... then Play off
        {{true, 0}, {false, 0}, {true, 0}},  // Play off and on again
        {{true, 2}, {true, 7}, {true, 7}},   // another key, then that key again
        {{true, 2}, {false, 0}, {false, 0}}, // Play off twice
        {{false, 0}, {true, 4}, {true, 16}}, // Play, then the other bank
        {{true, 1}, {false, 0}, {true, 1}, {false, 0}, {true, 1}},
    };
    for (const bool blocksBetween : {true, false}) {
        for (std::size_t n = 0; n < sequences.size(); ++n) {
            Sequencer fresh;
            for (std::size_t k = 0; k < sequences[n].size(); ++k) {
                const Click& c = sequences[n][k];
                if (c.play) {
                    fresh.requestPlay(c.pattern);
                } else {
                    fresh.requestStop();
                }
                if (blocksBetween || k + 1 == sequences[n].size()) {
                    fresh.renderBlock(nullptr, 256, 0.0f, 44100.0f);
                }
            }
            const Click& last = sequences[n].back();
            SCOPED_TRACE(testing::Message()
                         << "sequence " << n << (blocksBetween ? ", blocks" : ""));
            EXPECT_EQ(fresh.playing, last.play ? 1 : 0);
            int sounding = 0;
            for (int i = 0; i < fresh.voices().count(); ++i) {
                const Voice& v = fresh.voices().get(i);
                if (v.stopCountdown == 0) {
                    ++sounding;
                    EXPECT_EQ(v.pattern, last.pattern);
                    EXPECT_EQ(v.patternPosition, 256.0); // started in the last block
                }
            }
            EXPECT_EQ(sounding, last.play ? 8 : 0);
        }
    }
}

TEST_F(Midi, AHostThatRendersNothingPilesNothingUp) {
    // Thousands of clicks while the host renders no block: nothing is dropped or queued up,
    // the button shows the last one at once, and the next block carries out only that one.
    for (int i = 0; i < 100000; ++i) {
        if (i % 3 == 2) {
            seq.requestStop();
        } else {
            seq.requestPlay(i % 24);
        }
        ASSERT_EQ(seq.playing, i % 3 == 2 ? 0 : 1);
    }
    seq.requestPlay(9);
    emptyBlock();
    EXPECT_EQ(pool().count(), 8);
    EXPECT_EQ(running(9), 8);
    EXPECT_EQ(seq.playing, 1);
    emptyBlock(); // taken once: the next block starts nothing more
    EXPECT_EQ(pool().count(), 8);
}

TEST_F(Midi, PlayWithoutRoomForEightVoicesLeavesTheButtonDark) {
    for (int i = 0; i < VoicePool::kCapacity - 7; ++i) {
        on(1, 60);
    }
    seq.requestPlay(0);
    EXPECT_EQ(seq.playing, 1);
    emptyBlock();
    EXPECT_EQ(running(0), 0);
    EXPECT_EQ(seq.playing, 0);
}

TEST_F(Midi, AllNotesOffEndsTheEditorsPatternAndALaterStopFindsNothing) {
    seq.requestPlay(0);
    emptyBlock();
    cc(2, 123);
    EXPECT_EQ(seq.playing, 0);
    on(14, 60); // MIDI plays the same pattern: the editor's stop must leave it alone
    seq.requestStop();
    emptyBlock();
    EXPECT_EQ(running(0), 8);
}

TEST_F(Midi, HostileBytesAndDeltasAreSafe) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> delta(-100000, 100000);
    Harness h(4096);
    fillConstant(h.slot(0), 500);
    fillConstant(h.slot(3), 3000);
    h.row(0, 0).setStep(0, true);
    for (int block = 0; block < 300; ++block) {
        const int events = block % 50 == 0 ? 20000 : 40;
        for (int e = 0; e < events; ++e) {
            h.seq().midiEvent(delta(rng), static_cast<std::uint8_t>(byte(rng)),
                              static_cast<std::uint8_t>(byte(rng)),
                              static_cast<std::uint8_t>(byte(rng)));
        }
        h.render(0, 64, 64);
        for (int s = 0; s < 8; ++s) {
            ASSERT_GE(h.slot(s).heldNotes, 0);
        }
        ASSERT_LE(h.seq().voices().count(), VoicePool::kCapacity);
    }
    for (const auto& o : h.out) {
        for (const float x : o) {
            ASSERT_TRUE(std::isfinite(x));
        }
    }
}
