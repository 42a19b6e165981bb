// The editor window end to end at 100 %, through the plug-in entry (Vst2EditorFixture): real
// pointer and keys (XTest), the host's own key opcode, message boxes and dialogs
// answered with real clicks, and the sound the edits make.
#include "platform/UserSettings.hpp"
#include "widgets/BuiltinFileDialog.hpp"
#include "widgets/BuiltinMessageDialog.hpp"
#include "widgets/MenuWindow.hpp"

#include "tests/editor-gui/Vst2EditorFixture.hpp"
#include "tests/support/TestWav.hpp"

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

constexpr int kBlock = 512;
constexpr int kChannels = 12;

class EditorGuiTest : public Vst2EditorFixture {
protected:
    void setUpEditor() override {
        Vst2EditorFixture::setUpEditor();
        openInstance(100);
    }

    // Clicks a button of the message box once it has been up for a moment.
    void answerBox(int buttonIndex) {
        BuiltinMessageDialog* box = BuiltinMessageDialog::active();
        if (box != nullptr && ++boxIdles % 4 == 0) {
            input.clickOnScreen(centre(box->buttonScreenRect(buttonIndex)));
        }
    }

    static Point soloPoint(int slot) { return {382, 126 + 62 * slot}; }
    static Point slotMenuPoint(int slot) { return {353, 89 + 62 * slot}; }

    // Renders n blocks; the peak of each stereo pair.
    std::array<float, kChannels / 2> render(int blocks) {
        std::array<std::array<float, kBlock>, kChannels> samples{};
        std::array<float*, kChannels> outputs{};
        std::array<float, kChannels / 2> peak{};
        for (int b = 0; b < blocks; ++b) {
            for (std::size_t c = 0; c < outputs.size(); ++c) {
                outputs[c] = samples[c].data();
            }
            effect->processReplacing(effect, nullptr, outputs.data(), kBlock);
            for (std::size_t c = 0; c < outputs.size(); ++c) {
                for (const float v : samples[c]) {
                    peak[c / 2] = std::max(peak[c / 2], std::abs(v));
                }
            }
        }
        return peak;
    }

    fs::path makeSample() {
        fs::create_directories(tempDir);
        fs::path wav = tempDir / "kick.wav";
        TestWav::constant(44100, 16000).write(wav);
        return wav;
    }

    const fs::path tempDir = scratch.path() / "wav";
    const fs::path stored = UserSettings::sampleBaseFile();
    int boxIdles = 0;
};

TEST_F(EditorGuiTest, DragsPaintStepsAndWriteLaneValues) {
    // A left drag from step 1 over the first eight steps of slot 1 turns them on.
    std::vector<Point> path{stepPoint(0, 0)};
    for (int k = 1; k < 8; ++k) {
        path.push_back(stepPoint(0, k));
    }
    drag(path);
    for (int k = 0; k < PatternRow::kSteps; ++k) {
        EXPECT_EQ(row(0).stepOn(k), k < 8) << "step " << k;
    }
    StepButton* first = editor->row(0).steps().button(0);
    EXPECT_FLOAT_EQ(first->value(), StepButton::shownValue(true, 1.0f));
    EXPECT_FLOAT_EQ(editor->row(0).steps().button(8)->value(), StepButton::shownValue(false, 1.0f));
    // Starting on an on step turns them off again.
    drag({stepPoint(0, 6), stepPoint(0, 7)});
    EXPECT_TRUE(row(0).stepOn(5));
    EXPECT_FALSE(row(0).stepOn(6));
    EXPECT_FALSE(row(0).stepOn(7));

    // The t key typed into the window selects the Tune lane.
    input.tap(XK_t);
    ASSERT_TRUE(input.pumpUntil([this] { return editor->stepEditLane() == 1; }));
    EXPECT_FLOAT_EQ(editor->stepEditSwitch->value(), 0.25f);
    // A right drag along the top edge writes 1.0 into the Tune lane of every step passed,
    // then lower down 0.0.
    drag({stepPoint(1, 0, 0), stepPoint(1, 1, 0), stepPoint(1, 2, 0), stepPoint(1, 3, 40)}, 3);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 0), 1.0f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 1), 1.0f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 3), 0.0f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Tune, 4), 0.5f);
    EXPECT_FLOAT_EQ(row(1).lane(Lane::Vol, 0), 1.0f);
    EXPECT_FALSE(row(1).stepOn(0));

    // The host's key opcode switches lanes as well; upper case does nothing.
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'p'), 1);
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'V'), 0);
    EXPECT_EQ(editor->stepEditLane(), 4);
    input.pump(3);
    EXPECT_FLOAT_EQ(editor->stepEditSwitch->value(), 1.0f);
    EXPECT_FLOAT_EQ(editor->row(1).steps().button(0)->value(), StepButton::shownValue(false, 0.5f));
}

TEST_F(EditorGuiTest, PlayStartsThePatternOnTheSlotsOutputPair) {
    const fs::path wav = makeSample();
    editor->sampleBrowser().openSampleFile(slot(0), wav.string());
    ASSERT_GT(slot(0).sample.frameCount(), 0);
    input.pump(3);
    EXPECT_NE(editor->row(0).name->text().find("kick.wav"), std::string::npos);
    click(stepPoint(0, 0));
    ASSERT_TRUE(row(0).stepOn(0));
    // A right click on the output field takes the next pair.
    click({608, 131}, 3);
    EXPECT_EQ(slot(0).outputPair, 2);
    EXPECT_EQ(editor->row(0).output->text(), "Out: 2");

    click({292, 52}); // Play
    EXPECT_EQ(editor->sequencer().playing, 1);
    const auto peak = render(20);
    EXPECT_GT(peak[1], 0.05f);
    EXPECT_EQ(peak[0], 0.0f);
    EXPECT_EQ(peak[2], 0.0f);
    // The Notes readout follows the live voices on the next idle.
    input.pump(2);
    EXPECT_EQ(editor->notesDisplay->value(), static_cast<float>(editor->sequencer().liveVoices));
    EXPECT_GT(editor->notesDisplay->value(), 0.0f);

    // A pattern key while playing moves to that pattern and keeps the Play button lit.
    click({394 + 16 * 2 + 8, 52});
    EXPECT_EQ(editor->sequencer().patterns().currentPattern(), 2);
    EXPECT_EQ(editor->playButton->value(), 1.0f);
    EXPECT_EQ(editor->patternKeys.key(2)->value(), 1.0f);
    EXPECT_EQ(editor->patternKeys.key(0)->value(), 0.0f);

    click({292, 52}); // Play off
    EXPECT_EQ(editor->sequencer().playing, 0);
    render(40);
    input.pump(2);
    EXPECT_EQ(editor->notesDisplay->value(), 0.0f);
    EXPECT_EQ(editor->playButton->value(), 0.0f);
}

TEST_F(EditorGuiTest, ReopeningShowsTheSameStateAndLeaksNothing) {
    std::vector<Point> path{stepPoint(4, 0)};
    for (int k = 1; k < 5; ++k) {
        path.push_back(stepPoint(4, k));
    }
    drag(path);
    click({608, 131 + 62 * 5}, 3);
    click({382, 102 + 62 * 6});
    dispatch(vst::effEditKeyDown, 'f');
    slot(7).volume = 0.2f;
    for (int i = 0; i < 12; ++i) {
        dispatch(vst::effEditClose);
        EXPECT_FALSE(editor->isOpen());
        if (i % 3 == 0) {
            // Hosts do not always pair open and close.
            ASSERT_EQ(editOpen(), 1);
        }
        openEditor();
    }
    EXPECT_EQ(editor->row(4).steps().button(3)->value(), StepButton::shownValue(true, 1.0f));
    EXPECT_EQ(editor->row(5).output->text(), "Out: 2");
    EXPECT_EQ(editor->row(6).mute->value(), 1.0f);
    EXPECT_EQ(editor->stepEditSwitch->value(), 0.5f);
    EXPECT_EQ(editor->row(7).volume->value(), 0.2f);
    EXPECT_EQ(editor->bpmDisplay->displayText(), "120");
    // And the reopened window still works.
    click(stepPoint(4, 6));
    EXPECT_TRUE(row(4).stepOn(6));
}

TEST_F(EditorGuiTest, QuickClicksBeforeOneIdleReachEveryControl) {
    const fs::path kick = makeSample();
    TestWav::constant(100, 2000).write(tempDir / "snare.wav");
    TestWav::constant(100, 3000).write(tempDir / "tom.wav");
    editor->sampleBrowser().openSampleFile(slot(0), kick.string());
    ASSERT_EQ(slot(0).directory.fileCount(), 3);
    ASSERT_EQ(slot(0).fileIndex, 0);
    input.pump(3);

    // Step buttons: left paints, right draws the height, shift + right runs on through the
    // off steps, alt resets the lane.
    input.quickClick(stepPoint(0, 0));
    EXPECT_TRUE(row(0).stepOn(0));
    input.quickClick(stepPoint(0, 1, 34), 3);
    EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, 1), 0.0f);
    input.quickClick(stepPoint(0, 4, 17), 3, {XK_Shift_L});
    EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, 4), 0.5f);
    EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, 15), 0.5f) << "on through the off steps";
    EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, 3), 1.0f);
    input.quickClick(stepPoint(0, 8), 1, {XK_Alt_L});
    for (int k = 0; k < PatternRow::kSteps; ++k) {
        EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, k), 1.0f) << k;
    }
    EXPECT_TRUE(row(0).stepOn(0)) << "the flags stay";

    input.quickClick({292, 52}); // Play
    EXPECT_EQ(editor->sequencer().playing, 1);
    input.quickClick({292, 52});
    EXPECT_EQ(editor->sequencer().playing, 0);
    input.quickClick({382, 102 + 62}); // M of slot 2
    EXPECT_EQ(slot(1).active, 0);
    // Which slots sound under solo and mute is InstrumentTest's; here that a click gets there.
    const auto silent = [this] { return editor->sequencer().slots().silentSlots() & 0xFFU; };
    input.quickClick(soloPoint(2)); // S of slot 3
    EXPECT_EQ(slot(2).solo, 1);
    EXPECT_EQ(silent(), 0xFFU & ~(1U << 2));
    input.quickClick(soloPoint(2));
    EXPECT_EQ(slot(2).solo, 0);
    EXPECT_EQ(silent(), 1U << 1) << "the mute of slot 2 as the user set it";
    input.quickClick({312, 89 + 62 * 3}); // LOOP of slot 4
    EXPECT_EQ(slot(3).sync, 1);
    input.quickClick({265, 89}); // NEXT
    EXPECT_EQ(slot(0).fileIndex, 1);
    input.quickClick({230, 89}); // PREV
    EXPECT_EQ(slot(0).fileIndex, 0);
    input.quickClick({608, 131}, 3); // output: right is up, left is down
    EXPECT_EQ(slot(0).outputPair, 2);
    input.quickClick({608, 131});
    EXPECT_EQ(slot(0).outputPair, 1);
    input.quickClick({571, 87 + 25}); // filter type: the third of four bands
    EXPECT_EQ(slot(0).filterMode, 2);
    slot(0).freq = 0.3f;
    slot(0).volume = 0.2f;
    editor->showSlotSettings(0);
    input.quickClick({513, 118}, 1, {XK_Control_L}); // FREQ: the default
    EXPECT_FLOAT_EQ(slot(0).freq, 1.0f);
    input.quickClick({455, 130}, 1, {XK_Control_L}); // VOL: the default
    EXPECT_FLOAT_EQ(slot(0).volume, 0.65f);
    input.quickClick({150, 43}, 1, {XK_Control_L}); // StepEdit: the default is Freq
    EXPECT_FLOAT_EQ(editor->instrument().stepEditMode, 0.5f);
    EXPECT_EQ(editor->stepEditLane(), 2);
    input.quickClick({394 + 16 * 3 + 8, 52}); // pattern key 4
    EXPECT_EQ(editor->sequencer().patterns().currentPattern(), 3);
    input.quickClick({616, 52}); // bank 4
    EXPECT_EQ(editor->sequencer().patterns().currentPattern(), 15);
    input.quickClick({394 + 8, 52});
    input.quickClick({600, 52});
    EXPECT_EQ(editor->sequencer().patterns().currentPattern(), 0);
    input.quickClick({240, 15}, 3); // the logo
    EXPECT_TRUE(editor->splash->isShown());
    input.quickClick({300, 40});
    EXPECT_FALSE(editor->splash->isShown());

    // Menus open on a quick click of either button and wait for the choice.
    row(0).setStep(5, true);
    input.play({menuOpen(), clickItem(11)}); // copy whole seq
    input.quickClick(slotMenuPoint(0), 3);
    input.play({menuOpen(), clickItem(12)}); // paste whole seq
    input.quickClick(slotMenuPoint(4), 1, {XK_Shift_L});
    EXPECT_TRUE(row(4).stepOn(5));
    EXPECT_TRUE(row(4).stepOn(0));
    EXPECT_FLOAT_EQ(editor->row(4).steps().button(5)->value(), StepButton::shownValue(true, 1.0f));
    input.play({menuOpen(), clickItem(2)}); // init full pattern
    input.quickClick({382, 52});
    for (int s = 0; s < 8; ++s) {
        EXPECT_FALSE(row(s).anyStepOn()) << s;
    }
    EXPECT_FLOAT_EQ(editor->row(4).steps().button(5)->value(), StepButton::shownValue(false, 1.0f));
    EXPECT_TRUE(input.scriptDone());

    // The sample list: a quick left click opens it in the name display's small font.
    int listFont = -1;
    int rowHeight = 0;
    input.play({menuOpen(),
                [&] {
                    listFont = MenuWindow::active()->font();
                    rowHeight = MenuWindow::active()->itemScreenRect(0).height();
                    saveScreen(MenuWindow::active()->screenRect(),
                               "editor-list-menu-screenshot.png");
                    return true;
                },
                clickItem(2)});
    input.quickClick({120, 90});
    EXPECT_EQ(listFont, 6);
    EXPECT_EQ(slot(0).fileIndex, 2);
    DrawContext& canvas = editor->frame()->context();
    EXPECT_EQ(rowHeight, canvas.lineHeight(6, 0) + 6);
    EXPECT_LT(rowHeight, canvas.lineHeight(3, 0) + 6) << "smaller than the menus' usual rows";
    // A quick right click shows the slot's folder in the sample base field and puts the
    // sample base back at once.
    input.quickClick({120, 90 + 62}, 3);
    EXPECT_EQ(editor->sampleBaseDisplay->text(),
              Editor::kTextIndent + editor->sampleBrowser().sampleBasePath());
    EXPECT_EQ(MenuWindow::active(), nullptr);
}

TEST_F(EditorGuiTest, NextStepsOncePerPressAlsoWhenThePointerLeavesAndComesBack) {
    const fs::path kick = makeSample();
    TestWav::constant(100, 2000).write(tempDir / "snare.wav");
    TestWav::constant(100, 3000).write(tempDir / "tom.wav");
    editor->sampleBrowser().openSampleFile(slot(0), kick.string());
    ASSERT_EQ(slot(0).fileIndex, 0);
    const Point next{265, 89};
    drag({next, {265, 200}, {265, 150}, next, {266, 90}});
    EXPECT_EQ(slot(0).fileIndex, 1);
    click(next);
    EXPECT_EQ(slot(0).fileIndex, 2);
}

TEST_F(EditorGuiTest, AnUnreadableSampleBaseOpensTheWindowAndSaysSoOnce) {
    int boxes = 0;
    std::string boxText;
    BuiltinMessageDialog* counted = nullptr;
    onHostIdle = [&] {
        if (BuiltinMessageDialog* box = BuiltinMessageDialog::active(); box != counted) {
            counted = box;
            if (box != nullptr) {
                ++boxes;
                boxText = box->text();
            }
        }
        answerBox(0);
    };
    const auto reopen = [&](const std::string& what) {
        SCOPED_TRACE(what);
        boxes = 0;
        const int idlesBefore = hostIdles;
        ASSERT_EQ(editOpen(), 1);
        EXPECT_EQ(hostIdles, idlesBefore) << "no modal loop inside the open";
        ASSERT_TRUE(editor->isOpen());
        EXPECT_NE(editor->row(7).volume, nullptr);
        EXPECT_EQ(editor->sampleBrowser().sampleBasePath(), "/");
        EXPECT_EQ(editor->sampleBaseDisplay->text(), std::string(Editor::kTextIndent) + "/");
        input.pump(20);
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(boxText, "failed to read registry");
        EXPECT_EQ(BuiltinMessageDialog::active(), nullptr);
        // The window still works.
        click(stepPoint(6, 3));
        EXPECT_TRUE(row(6).stepOn(3));
        row(6).setStep(3, false);
        dispatch(vst::effEditClose);
        fs::remove_all(stored);
    };
    // Each way the setting can fail to read is SampleBrowserTest's; here the window around
    // two of them: a folder, and a FIFO, which must not be waited on.
    dispatch(vst::effEditClose);
    fs::create_directories(stored);
    reopen("the settings path is a folder");
    ASSERT_EQ(::mkfifo(stored.c_str(), 0600), 0);
    reopen("a FIFO");
    // Readable again: no message.
    std::ofstream(stored) << "/tmp\n";
    ASSERT_EQ(editOpen(), 1);
    boxes = 0;
    input.pump(10);
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(editor->sampleBrowser().sampleBasePath(), "/tmp");
}

TEST_F(EditorGuiTest, AQuickClickOnAFolderButtonOpensADialogHeldBelowTheSampleBase) {
    const fs::path base = scratch.path() / "samples";
    fs::create_directories(base / "kit");
    TestWav::constant(100, 1000).write(base / "kit" / "clap.wav");
    dispatch(vst::effEditClose);
    fs::create_directories(stored.parent_path());
    std::ofstream(stored) << base.string() << "\n";
    openEditor();
    std::string startedIn;
    bool canGoUp = true;
    input.play({[] { return BuiltinFileDialog::active() != nullptr; },
                [&] {
                    startedIn = BuiltinFileDialog::active()->model().directory();
                    canGoUp = BuiltinFileDialog::active()->model().canGoUp();
                    // Open "kit/" and take it.
                    BuiltinFileDialog::active()->model().select(0);
                    return true;
                },
                [&] { return ++boxIdles > 5; },
                [this] {
                    input.clickOnScreen(centre(BuiltinFileDialog::active()->okScreenRect()));
                    return true;
                }});
    input.quickClick({56, 90 + 62 * 5}); // slot 6's folder button
    EXPECT_EQ(startedIn, base.string());
    EXPECT_FALSE(canGoUp) << "the sample base is the top";
    EXPECT_EQ(slot(5).directory.directory(), (base / "kit").string());
    EXPECT_EQ(slot(5).samplePath(), (base / "kit" / "clap.wav").string());
    EXPECT_EQ(slot(0).samplePath(), Slot::kPlaceholderPath);

    // With alt, the folder chosen for slot 2 goes to every slot.
    boxIdles = 0;
    input.play({[] { return BuiltinFileDialog::active() != nullptr; },
                [] {
                    BuiltinFileDialog::active()->model().select(0);
                    return true;
                },
                [&] { return ++boxIdles > 5; },
                [this] {
                    input.clickOnScreen(centre(BuiltinFileDialog::active()->okScreenRect()));
                    return true;
                }});
    input.quickClick({56, 90 + 62}, 1, {XK_Alt_L});
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(slot(s).samplePath(), (base / "kit" / "clap.wav").string()) << s;
    }
}

TEST_F(EditorGuiTest, ScreenshotOfTheWholeEditor) {
    std::vector<Point> path{stepPoint(0, 0)};
    for (int k = 1; k < 6; ++k) {
        path.push_back(stepPoint(0, k, 4 * k));
    }
    drag(path);
    for (int k = 0; k < PatternRow::kSteps; k += 4) {
        row(1).setStep(k, true);
        row(2).setStep(k + 2, true);
        const int level = (k / 4) + 1; // 1..4: a quarter, a half, ...
        row(2).setLane(Lane::Vol, k + 2, 0.25f * static_cast<float>(level));
    }
    row(3).setLane(Lane::Vol, 5, 0.3f);
    editor->showCurrentPattern();
    slot(1).showSampleText("        03 : snare.wav");
    click(soloPoint(2));
    click({292, 52});
    render(2);
    input.pump(10);
    saveEditor("editor-screenshot.png");
}

} // namespace
} // namespace quovent::test
