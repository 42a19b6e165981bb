// The pattern menu and slot menu operations on the model.
#include "editor/ClipboardOperations.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quovent;
namespace fs = std::filesystem;

namespace {

class NoDialogs : public SampleDialogs {
public:
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return folder;
    }
    bool askYesNo(const std::string&) override { return false; }
    void showMessage(const std::string&) override {}
    std::optional<std::string> chooseWavFile() override { return std::nullopt; }
    std::optional<std::string> chooseBankFile(FileSelectCommand, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> folder;
};

class CountingView : public ClipboardOperations::View {
public:
    void showCurrentPattern() override { ++patternShows; }
    void showSlotSettings(int slot) override { shownSlots.push_back(slot); }
    void showSlotControls(int slot) override { shownControls.push_back(slot); }
    void showShuffle() override { ++shuffleShows; }
    int patternShows = 0;
    int shuffleShows = 0;
    std::vector<int> shownSlots;
    std::vector<int> shownControls;
};

class NameView : public SampleNameView {
public:
    void showSampleText(const char* text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

enum { kVol = 0, kTune = 1, kPan = 4 };

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { ops.setView(&view); }

    PatternRow& current(int s) { return sequencer.patterns().currentRow(s); }

    Sequencer sequencer;
    PatternRow clipboardRow;
    int copySource = -1;
    NoDialogs dialogs;
    SampleBrowser browser{dialogs, [] { return 5512.5; }};
    CountingView view;
    ClipboardOperations ops{sequencer, clipboardRow, copySource, browser};
};

} // namespace

TEST_F(ClipboardTest, CurrentModUsesTheLaneSelectedWhenEachItemRuns) {
    current(0).setLane(kVol, 3, 0.1f);
    current(0).setLane(kTune, 3, 0.9f);
    ops.slotMenu(0, 3, kVol);  // copy current mod, Vol
    ops.slotMenu(1, 4, kTune); // paste current mod, Tune: the clipboard's Tune lane
    EXPECT_FLOAT_EQ(current(1).lane(kTune, 3), 0.5f);
    EXPECT_FLOAT_EQ(current(1).lane(kVol, 3), 1.0f);
    ops.slotMenu(1, 4, kVol);
    EXPECT_FLOAT_EQ(current(1).lane(kVol, 3), 0.1f);
    EXPECT_EQ(view.patternShows, 2);
}

TEST_F(ClipboardTest, CopyAllModsThenPasteWholeSeqPastesLanesWithStepsOff) {
    current(2).setStep(5, true);
    current(2).setLane(kPan, 5, 0.0f);
    current(3).setStep(1, true);
    ops.slotMenu(2, 7, kVol);  // copy all mods
    ops.slotMenu(3, 12, kVol); // paste whole seq
    EXPECT_FALSE(current(3).anyStepOn());
    EXPECT_FLOAT_EQ(current(3).lane(kPan, 5), 0.0f);

    ops.slotMenu(2, 11, kVol); // copy whole seq
    ops.slotMenu(4, 12, kVol);
    EXPECT_TRUE(current(4).stepOn(5));
    ops.slotMenu(4, 13, kVol); // init whole seq
    EXPECT_FALSE(current(4).anyStepOn());
    EXPECT_FLOAT_EQ(current(4).lane(kPan, 5), 0.5f);
}

TEST_F(ClipboardTest, CopySelectedSlotsResetsTheLanesOfUnselectedClipboardRows) {
    Pattern& clip = sequencer.patterns().clipboard();
    clip.row(6).setStep(2, true);
    clip.row(6).setLane(kVol, 2, 0.3f);
    current(1).setStep(0, true);
    current(1).setLane(kVol, 0, 0.2f);
    sequencer.slots().slot(1).selected = 1;

    ops.patternMenu(4); // copy selected slots
    EXPECT_TRUE(clip.row(1).stepOn(0));
    EXPECT_FLOAT_EQ(clip.row(1).lane(kVol, 0), 0.2f);
    EXPECT_TRUE(clip.row(6).stepOn(2)); // on flags stay
    EXPECT_FLOAT_EQ(clip.row(6).lane(kVol, 2), 1.0f);

    sequencer.patterns().selectKey(5);
    ops.patternMenu(1); // paste full pattern
    EXPECT_TRUE(current(6).stepOn(2));
    EXPECT_TRUE(current(1).stepOn(0));

    sequencer.patterns().selectKey(6);
    ops.patternMenu(5); // paste selected slots: only slot 1
    EXPECT_TRUE(current(1).stepOn(0));
    EXPECT_FALSE(current(6).anyStepOn());
}

TEST_F(ClipboardTest, FullPatternCopyPasteAndInit) {
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        current(s).setStep(s, true);
    }
    ops.patternMenu(0);
    sequencer.patterns().selectBank(1);
    ops.patternMenu(1);
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        EXPECT_TRUE(current(s).stepOn(s));
    }
    ops.patternMenu(2);
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        EXPECT_FALSE(current(s).anyStepOn());
    }
    EXPECT_TRUE(sequencer.patterns().row(0, 3).stepOn(3)); // other patterns untouched
}

TEST_F(ClipboardTest, InitEverythingClearsAllPatternsSlotsAndShuffle) {
    for (int p = 0; p < PatternBank::kPatterns; ++p) {
        sequencer.patterns().row(p, p % 8).setStep(p % 16, true);
    }
    Slot& s3 = sequencer.slots().slot(3);
    s3.volume = 0.1f;
    s3.outputPair = 5;
    s3.sync = 1;
    s3.active = 0;
    sequencer.shuffleAmount = 0.7f;
    sequencer.patterns().selectKey(4);

    ops.patternMenu(7);

    for (int p = 0; p < PatternBank::kPatterns; ++p) {
        for (int s = 0; s < capacity::kRowSlots; ++s) {
            EXPECT_FALSE(sequencer.patterns().row(p, s).anyStepOn());
        }
    }
    EXPECT_FLOAT_EQ(s3.volume, 0.65f);
    EXPECT_EQ(s3.outputPair, 1);
    EXPECT_EQ(s3.sync, 0);
    EXPECT_EQ(s3.active, 1);
    EXPECT_TRUE(Slot::isPlaceholder(s3.samplePath()));
    EXPECT_FLOAT_EQ(sequencer.shuffleAmount, 0.0f);
    EXPECT_EQ(sequencer.patterns().key(), 4);
    EXPECT_EQ(view.shuffleShows, 1);
    EXPECT_EQ(view.shownSlots.size(), 8u);
}

TEST_F(ClipboardTest, PastingASlotDoesNothingWithoutACopiedListedSource) {
    Slot& target = sequencer.slots().slot(2);
    target.volume = 0.3f;
    ops.slotMenu(2, 16, kVol); // paste slot settings, nothing copied
    ops.slotMenu(2, 1, kVol);  // paste sample
    sequencer.slots().slot(0).volume = 0.9f;
    ops.slotMenu(0, 15, kVol); // copy slot settings from a slot without a file list
    ops.slotMenu(2, 16, kVol);
    EXPECT_FLOAT_EQ(target.volume, 0.3f);
    EXPECT_TRUE(view.shownSlots.empty());
    EXPECT_TRUE(view.shownControls.empty());
}

TEST_F(ClipboardTest, PasteSlotSettingsTakesTheSourcesSettingsAndList) {
    const test::ScratchDirectory scratch("quovent-clip");
    const fs::path& dir = scratch.path();
    std::ofstream(dir / "a.wav") << "not really audio";
    Slot& source = sequencer.slots().slot(0);
    source.directory.setDirectory(dir.string());
    ASSERT_EQ(source.directory.scan(), 1);
    source.volume = 0.2f;
    source.pan = 0.1f;
    source.outputPair = 3;
    source.filterMode = 2;
    source.solo = 1;
    source.selected = 1;
    Slot& target = sequencer.slots().slot(5);

    ops.slotMenu(0, 15, kVol);
    ops.slotMenu(5, 16, kVol);

    EXPECT_FLOAT_EQ(target.volume, 0.2f);
    EXPECT_FLOAT_EQ(target.pan, 0.1f);
    EXPECT_EQ(target.outputPair, 3);
    EXPECT_EQ(target.filterMode, 2);
    EXPECT_EQ(target.solo, 0);
    EXPECT_EQ(target.selected, 0);
    EXPECT_EQ(target.directory.fileCount(), 1);
    EXPECT_EQ(view.shownControls, std::vector<int>{5});
}

TEST_F(ClipboardTest, PasteSlotSettingsNamesTheSampleOnlyWhenItLoaded) {
    const test::ScratchDirectory scratch("quovent-clipname");
    const fs::path& dir = scratch.path();
    test::TestWav::silence(4).write(dir / "a.wav");
    Slot& source = sequencer.slots().slot(0);
    source.directory.setDirectory(dir.string());
    ASSERT_EQ(source.directory.scan(), 1);
    source.setSamplePath((dir / "a.wav").string(), 5512.5);
    NameView name;
    sequencer.slots().slot(4).setNameView(&name);
    ops.slotMenu(0, 15, kVol);

    ops.slotMenu(4, 16, kVol);
    EXPECT_EQ(name.shown, std::vector<std::string>{"        00 : a.wav"});

    // The file is gone and the user does not look for it: the row keeps what it showed,
    // while the controls show the pasted settings.
    name.shown.clear();
    view.shownControls.clear();
    fs::remove(dir / "a.wav");
    ops.slotMenu(4, 16, kVol);
    EXPECT_TRUE(name.shown.empty());
    EXPECT_TRUE(view.shownSlots.empty());
    EXPECT_EQ(view.shownControls, std::vector<int>{4});
    sequencer.slots().slot(4).setNameView(nullptr);
}
