// The sequence model: defaults a fresh instance starts from, the row accessors playback
// relies on, pattern numbering, the voice pool's order and the note ratio table. The pool's
// capacity and stop lengths are MidiTest's, through the MIDI that sets them.
#include "engine/NoteRatioTable.hpp"
#include "engine/PatternBank.hpp"
#include "engine/Sequencer.hpp"
#include "engine/SlotBank.hpp"
#include "engine/VoicePool.hpp"
#include "platform/Paths.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace quovent;

TEST(Model, FreshSlotsAndRowsHoldTheDefaults) {
    SlotBank bank;
    for (int i = 0; i < SlotBank::kSlots; ++i) {
        const Slot& s = bank.slot(i);
        EXPECT_EQ(s.index(), i);
        EXPECT_FLOAT_EQ(s.volume, 0.65f);
        EXPECT_FLOAT_EQ(s.length, 1.0f);
        EXPECT_FLOAT_EQ(s.tune, 0.5f);
        EXPECT_FLOAT_EQ(s.freq, 1.0f);
        EXPECT_FLOAT_EQ(s.res, 0.0f);
        EXPECT_FLOAT_EQ(s.pan, 0.5f);
        EXPECT_EQ(s.filterMode, 0);
        EXPECT_EQ(s.outputPair, 1);
        EXPECT_EQ(s.active, 1);
        EXPECT_EQ(s.sync, 0);
        EXPECT_FLOAT_EQ(s.syncIncrement, 1.0f);
        EXPECT_EQ(s.sample.frameCount(), 0);
        EXPECT_EQ(s.samplePath(), "        Set some dir with wav's..");
    }
    PatternBank patterns;
    for (int p = 0; p < PatternBank::kPatterns; ++p) {
        for (int s = 0; s < capacity::kRowSlots; ++s) {
            const PatternRow& row = patterns.row(p, s);
            EXPECT_FALSE(row.anyStepOn());
            for (int i = 0; i < PatternRow::kSteps; ++i) {
                EXPECT_FLOAT_EQ(row.lane(Lane::Vol, i), 1.0f);
                EXPECT_FLOAT_EQ(row.lane(Lane::Tune, i), 0.5f);
                EXPECT_FLOAT_EQ(row.lane(Lane::Freq, i), 1.0f);
                EXPECT_FLOAT_EQ(row.lane(Lane::Res, i), 1.0f);
                EXPECT_FLOAT_EQ(row.lane(Lane::Pan, i), 0.5f);
            }
        }
    }
}

TEST(Model, StepAccessorsMapLaneValues) {
    PatternRow row;
    row.setLane(1, 0, 0.0f);
    row.setLane(1, 1, 0.5f);
    row.setLane(1, 2, 1.0f);
    row.setLane(1, 3, 0.25f);
    EXPECT_FLOAT_EQ(row.stepPitchRatio(0), 0.89089864f);
    EXPECT_EQ(row.stepPitchRatio(1), 1.0f);
    EXPECT_FLOAT_EQ(row.stepPitchRatio(2), 1.12246215f);
    EXPECT_NEAR(row.stepPitchRatio(3), (0.89089864f + 1.0f) / 2.0f, 1e-6f);
    row.setLane(2, 0, 0.0f);
    EXPECT_FLOAT_EQ(row.stepCutoffScale(0), 0.02f);
    EXPECT_FLOAT_EQ(row.stepCutoffScale(1), 1.0f);
}

TEST(Model, RowOperationsCopyAndResetTheRightParts) {
    PatternRow a;
    PatternRow b;
    a.setStep(3, true);
    for (int k = 0; k < PatternRow::kLanes; ++k) {
        a.setLane(k, 3, 0.125f);
    }
    b.copyLanesFrom(a);
    EXPECT_FALSE(b.stepOn(3));
    EXPECT_FLOAT_EQ(b.lane(4, 3), 0.125f);
    b.copyAllFrom(a);
    EXPECT_TRUE(b.stepOn(3));

    PatternRow c;
    c.copyLaneFrom(2, a);
    EXPECT_FLOAT_EQ(c.lane(2, 3), 0.125f);
    EXPECT_FLOAT_EQ(c.lane(1, 3), 0.5f);

    b.initLane(0);
    EXPECT_FLOAT_EQ(b.lane(0, 3), 1.0f);
    EXPECT_FLOAT_EQ(b.lane(1, 3), 0.125f);
    b.initLanes();
    EXPECT_FLOAT_EQ(b.lane(3, 3), 1.0f);
    EXPECT_TRUE(b.stepOn(3));
    b.clearSteps();
    EXPECT_FALSE(b.anyStepOn());
}

TEST(Model, PatternNumberingFollowsKeyAndBank) {
    PatternBank bank;
    EXPECT_EQ(bank.currentPattern(), 0);
    bank.selectKey(11);
    bank.selectBank(1);
    EXPECT_EQ(bank.currentPattern(), 23);
    bank.selectKey(12);
    bank.selectBank(2);
    bank.selectKey(-1);
    EXPECT_EQ(bank.currentPattern(), 23);
    bank.currentRow(2).setStep(0, true);
    EXPECT_TRUE(bank.row(23, 2).stepOn(0));
    EXPECT_FALSE(bank.row(11, 2).stepOn(0));
}

TEST(Model, OutputPairStaysWithinOneToSix) {
    Slot s(0);
    for (int i = 0; i < 20; ++i) {
        s.outputPairUp();
    }
    EXPECT_EQ(s.outputPair, 6);
    for (int i = 0; i < 20; ++i) {
        s.outputPairDown();
    }
    EXPECT_EQ(s.outputPair, 1);
    s.setOutputPair(9);
    EXPECT_EQ(s.outputPair, 6);
}

TEST(Model, FilterModeAndTuneRatioFromControlValues) {
    Slot s(0);
    const float values[] = {0.0f, 0.33f, 0.34f, 0.5f, 0.67f, 1.0f};
    const int modes[] = {0, 0, 1, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        s.setFilterModeFromValue(values[i]);
        EXPECT_EQ(s.filterMode, modes[i]) << values[i];
    }
    s.tune = 0.0f;
    EXPECT_FLOAT_EQ(s.tuneRatio(), 0.5f);
    s.tune = 1.0f;
    EXPECT_FLOAT_EQ(s.tuneRatio(), 2.0f);
}

TEST(Model, SyncIncrementStretchesTheSampleOverTheChosenSteps) {
    Slot s(0);
    s.sample.setFrameCount(88200);
    const double samplesPerStep = 44100.0 / 120.0 * 15.0;
    s.setSync(true, samplesPerStep);
    EXPECT_EQ(s.sync, 1);
    EXPECT_FLOAT_EQ(s.syncIncrement, 1.0f); // tune 0.5: 16 steps
    const float tunes[] = {0.1f, 0.3f, 0.7f, 0.9f};
    const int steps[] = {64, 32, 8, 4};
    for (int i = 0; i < 4; ++i) {
        s.tune = tunes[i];
        s.updateSyncIncrement(samplesPerStep);
        EXPECT_FLOAT_EQ(s.syncIncrement, static_cast<float>(88200.0 / (5512.5 * steps[i])));
    }
}

TEST(Model, NoteRatioTableHoldsExactPowersOfTwo) {
    NoteRatioTable::fill();
    for (int octave = 0; octave <= 10; ++octave) {
        const int note = octave * 12;
        EXPECT_EQ(NoteRatioTable::ratio(note), std::ldexp(1.0f, octave - 5)) << note;
    }
    EXPECT_EQ(NoteRatioTable::ratio(127), 47.945827f);
    EXPECT_EQ(NoteRatioTable::ratio(59), 0.9438743f);
}

TEST(Model, RemovingFinishedVoicesKeepsTheOrderOfTheOthers) {
    VoicePool pool;
    Voice v;
    for (int i = 0; i < 6; ++i) {
        v.note = i;
        pool.append(v);
    }
    pool.markFinished(0);
    pool.markFinished(3);
    pool.markFinished(5);
    pool.removeFinished();
    ASSERT_EQ(pool.count(), 3);
    EXPECT_EQ(pool.get(0).note, 1);
    EXPECT_EQ(pool.get(1).note, 2);
    EXPECT_EQ(pool.get(2).note, 4);
}

TEST(Model, SampleNameDisplayTextNumbersAndCutsSafely) {
    char out[capacity::kPathText];
    Slot::formatSampleName("/kits/kick.wav", 0, out, sizeof out);
    EXPECT_STREQ(out, "        00 : kick.wav");
    Slot::formatSampleName("/kits/kick.wav", 9, out, sizeof out);
    EXPECT_STREQ(out, "        09 : kick.wav");
    Slot::formatSampleName("/kits/kick.wav", 12, out, sizeof out);
    EXPECT_STREQ(out, "        12 : kick.wav");
    Slot::formatSampleName(Slot::kPlaceholderPath, 3, out, sizeof out);
    EXPECT_STREQ(out, Slot::kPlaceholderPath);

    // A name far longer than the display buffer is cut, never written past it, and never
    // left ending inside a UTF-8 sequence.
    std::string longName = "/k/";
    for (int i = 0; i < 200; ++i) {
        longName += "\xC3\xA9"; // é
    }
    Slot::formatSampleName(longName, 1, out, sizeof out);
    const std::size_t n = std::strlen(out);
    EXPECT_LT(n, sizeof out);
    EXPECT_EQ((n - std::strlen("        01 : ")) % 2, 0u);
}

TEST(Model, AMissingSampleIsNamedByItsFileWhicheverSeparatorPrecedesIt) {
    char out[capacity::kPathText];
    // The root is "/" here and "C:\" on Windows, where '/' separates as well.
    const std::string root = paths::kDefaultRoot;
    for (const std::string& path :
         {root + "kits/kick.wav", root + "kits" + paths::kSeparator + "old/kick.wav"}) {
        Slot::formatMissingName(path, out, sizeof out);
        EXPECT_STREQ(out, "        missing: kick.wav") << path;
    }
    Slot::formatMissingName("kick.wav", out, sizeof out);
    EXPECT_STREQ(out, "        missing: kick.wav");
}

TEST(Model, PlaceholderIsRecognisedByItsFirstSeventeenCharacters) {
    EXPECT_TRUE(Slot::isPlaceholder("        Set some dir with wav's.."));
    EXPECT_TRUE(Slot::isPlaceholder("        Set some other text"));
    EXPECT_FALSE(Slot::isPlaceholder("       Set some dir"));
    EXPECT_FALSE(Slot::isPlaceholder("/home/kick.wav"));
}

TEST(Model, StepLengthIsExactWhereTheSampleCountIsWhole) {
    Sequencer sequencer;
    EXPECT_EQ(sequencer.samplesPerStep(44100.0f), 5512.5); // no tempo yet: 120
    sequencer.tempo = 90.0f;
    EXPECT_EQ(sequencer.samplesPerStep(48000.0f), 8000.0);
    sequencer.tempo = 140.0f;
    EXPECT_EQ(sequencer.samplesPerStep(48000.0f), 48000.0 * 15.0 / 140.0);
}
