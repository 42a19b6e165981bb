// The editor window on the display-free backend: the layout it builds, what idle copies from
// the audio side, the dispatch of control reports, and the step buttons' painting rules with
// scripted pointer states (one script step per host idle of the modal idle).
#include "FakeHost.hpp"
#include "editor/Editor.hpp"
#include "instrument/BankFile.hpp"
#include "platform/stub/StubWindowSystem.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "widgets/FileSelector.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace quovent::test {
namespace {

using platform::stub::StubWindow;
using platform::stub::StubWindowSystem;
namespace fs = std::filesystem;

class ScriptHost : public FakeHost {
public:
    using FakeHost::FakeHost;
    void masterIdle() override {
        FakeHost::masterIdle();
        if (!script.empty()) {
            auto next = std::move(script.front());
            script.pop_front();
            next();
        }
    }
    std::deque<std::function<void()>> script;
};

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor.setWindowSystemFactory([this] {
            auto s = std::make_unique<StubWindowSystem>();
            system = s.get();
            return s;
        });
        ASSERT_TRUE(editor.open(nullptr));
        window = system->lastWindow(StubWindow::Kind::Child);
        ASSERT_NE(window, nullptr);
    }

    // A press of the given mouse state at a frame point; the script then plays one step per
    // host idle. The state is released when the script has run out.
    void press(Point at, unsigned buttons, std::deque<std::function<void()>> steps = {}) {
        pointAt(at);
        system->buttons = buttons;
        steps.emplace_back([this] { system->buttons = 0; });
        host.script = std::move(steps);
        platform::Event e;
        e.type = platform::EventType::MouseDown;
        e.position = at;
        e.button = (buttons & platform::mouse::kRight) != 0 ? 3 : 1;
        e.modifiers = buttons;
        system->post(*window, e);
        editor.idle();
        host.script.clear();
        system->buttons = 0;
    }
    void pointAt(Point p) { system->pointerOnScreen = window->toScreen(p); }
    static Point stepPoint(int slot, int step, int dy = 17) {
        return {44 + 20 * step + 10, 101 + 62 * slot + dy};
    }
    PatternRow& row(int s) { return editor.sequencer().patterns().currentRow(s); }
    Slot& slot(int s) { return editor.sequencer().slots().slot(s); }

    Instrument instrument;
    ScriptHost host{instrument};
    Editor editor{instrument, host};
    StubWindowSystem* system = nullptr;
    StubWindow* window = nullptr;
};

TEST_F(EditorWindowTest, OpenBuildsTheLayoutAndCloseLetsGoOfEverything) {
    FrameWindow& frame = *editor.frame();
    // Top area 6 + keys 14 + readouts, menu, Play, splash 5; eight rows of 18 + 16 steps.
    EXPECT_EQ(frame.controlCount(), 25u + 8u * 34u);
    EXPECT_EQ(editor.bpmDisplay->displayText(), "120"); // the host reports no tempo
    EXPECT_EQ(editor.patternKeys.key(11)->rect(), (Rect{570, 45, 586, 60}));
    EXPECT_EQ(editor.patternKeys.bank(1)->rect(), (Rect{608, 45, 624, 60}));
    SlotRowView& last = editor.row(7);
    EXPECT_EQ(last.volume->rect(), (Rect{449, 84 + 434, 461, 139 + 434}));
    EXPECT_EQ(last.steps().button(15)->rect(), (Rect{344, 101 + 434, 364, 135 + 434}));
    EXPECT_EQ(last.select->rect(), (Rect{27, 88 + 434, 40, 138 + 434}));
    EXPECT_EQ(last.output->text(), "Out: 1");
    EXPECT_EQ(last.name->text(), Slot::kPlaceholderPath);
    EXPECT_EQ(last.menu->entryCount(), 18);
    EXPECT_EQ(editor.patternMenu->entryCount(), 8 + 1 + 3); // its own items, then the zooms
    EXPECT_TRUE(editor.bitmap(152)->empty());
    EXPECT_EQ(editor.bitmap(131)->height(), 70 * 34);
    // The step buttons follow the neighbour order of the row.
    EXPECT_EQ(frame.controlAt(stepPoint(3, 9))->tag(), 131);

    editor.close();
    EXPECT_FALSE(editor.isOpen());
    EXPECT_EQ(editor.row(0).volume, nullptr);
    EXPECT_EQ(editor.stepEditSwitch, nullptr);
    slot(0).showSampleText("no view is left to show this");
    editor.idle(); // closed: nothing to do
}

TEST_F(EditorWindowTest, IdleCopiesWhatTheAudioThreadChanged) {
    slot(2).lamp = 1;
    editor.sequencer().playing = 1;
    editor.sequencer().liveVoices = 5;
    editor.sequencer().tempo = 133.0f;
    editor.idle();
    EXPECT_EQ(editor.row(2).lamp->value(), 1.0f);
    EXPECT_EQ(editor.row(1).lamp->value(), 0.0f);
    EXPECT_EQ(editor.playButton->value(), 1.0f);
    EXPECT_EQ(editor.notesDisplay->displayText(), "5");
    EXPECT_EQ(editor.bpmDisplay->displayText(), "133");
    slot(2).lamp = 0;
    editor.sequencer().playing = 0;
    editor.idle();
    EXPECT_EQ(editor.row(2).lamp->value(), 0.0f);
    EXPECT_EQ(editor.playButton->value(), 0.0f);
}

TEST_F(EditorWindowTest, ContinuousControlsAutomateTheirSlotAndSwitchesSetTheModel) {
    SlotRowView& r = editor.row(3);
    r.volume->setValue(0.3f);
    editor.valueChanged(nullptr, *r.volume);
    EXPECT_EQ(editor.currentSlot(), &slot(3));
    ASSERT_EQ(host.automated.size(), 1u);
    EXPECT_EQ(host.automated[0],
              (std::pair{ParameterTable::slotParameter(3, SlotField::Volume), 0.3f}));
    r.filterType->setValue(2.0f / 3.0f);
    editor.valueChanged(nullptr, *r.filterType);
    EXPECT_EQ(slot(3).filterMode, 2);
    editor.valueChanged(nullptr, *r.loop);
    EXPECT_EQ(slot(3).sync, 1);
    editor.valueChanged(nullptr, *r.mute);
    EXPECT_EQ(slot(3).active, 0);
    r.select->setValue(1.0f);
    editor.valueChanged(nullptr, *r.select);
    EXPECT_EQ(slot(3).selected, 1);
    // The output field shares tag 135 with PREV and moves no sample.
    editor.valueChanged(nullptr, *r.output);
    EXPECT_EQ(slot(3).samplePath(), Slot::kPlaceholderPath);
    editor.shuffleKnob->setValue(0.4f);
    editor.valueChanged(nullptr, *editor.shuffleKnob);
    EXPECT_EQ(editor.sequencer().shuffleAmount, 0.4f);
    editor.valueChanged(nullptr, *editor.patternKeys.bank(1));
    EXPECT_EQ(editor.sequencer().patterns().currentPattern(), 12);
    EXPECT_EQ(editor.patternKeys.bank(1)->value(), 1.0f);
    EXPECT_EQ(editor.patternKeys.bank(0)->value(), 0.0f);
}

TEST_F(EditorWindowTest, ThePlayButtonShowsWhatSoundsWhateverIsClickedBetweenBlocks) {
    Sequencer& seq = editor.sequencer();
    const auto block = [&] { seq.renderBlock(nullptr, 256, 0.0f, 44100.0f); };
    // Voices of the pattern that are not stopping.
    const auto running = [&] {
        int n = 0;
        for (int i = 0; i < seq.voices().count(); ++i) {
            n += seq.voices().get(i).stopCountdown == 0 ? 1 : 0;
        }
        return n;
    };
    const auto play = [&](bool on) {
        editor.playButton->setValue(on ? 1.0f : 0.0f);
        editor.valueChanged(nullptr, *editor.playButton);
    };
    const auto key = [&](int k) { editor.valueChanged(nullptr, *editor.patternKeys.key(k)); };
    const auto bank = [&](int b) { editor.valueChanged(nullptr, *editor.patternKeys.bank(b)); };
    const auto expectShown = [&](bool lit, const char* what) {
        editor.idle();
        EXPECT_EQ(seq.playing, lit ? 1 : 0) << what;
        EXPECT_EQ(editor.playButton->value(), lit ? 1.0f : 0.0f) << what;
        EXPECT_EQ(running(), lit ? 8 : 0) << what;
    };

    play(true);
    block();
    key(0); // the lit key: its pattern from the start
    block();
    expectShown(true, "lit key while playing");
    bank(0); // the lit bank
    block();
    expectShown(true, "lit bank while playing");
    play(false);
    block();
    expectShown(false, "Play off");
    play(true);
    block();
    expectShown(true, "Play on again: one copy, not two");

    // Everything between two blocks, as with a host that paused.
    key(0);
    play(false);
    play(true);
    block();
    expectShown(true, "lit key, Play off and on in one block");
    key(3);
    bank(1);
    play(false);
    block();
    expectShown(false, "key, bank and Play off in one block");

    // A host that renders nothing: the button answers every click, nothing piles up.
    for (int i = 0; i < 5000; ++i) {
        switch (i % 4) {
        case 0:
            play(true);
            break;
        case 1:
            key(i % 12);
            break;
        case 2:
            bank(i % 2);
            break;
        default:
            play(i % 8 == 3);
            break;
        }
        ASSERT_EQ(editor.playButton->value(), seq.playing != 0 ? 1.0f : 0.0f) << i;
    }
    block();
    expectShown(seq.playing != 0, "after 5000 clicks");
    for (int i = 0; i < seq.voices().count(); ++i) {
        if (seq.voices().get(i).stopCountdown == 0) {
            EXPECT_EQ(seq.voices().get(i).pattern, seq.patterns().currentPattern());
        }
    }
}

TEST_F(EditorWindowTest, ShiftRightDrawsOnThroughOffStepsOnly) {
    row(0).setStep(7, true);
    editor.showCurrentPattern();
    // Right + shift on step 5 (index 4), 34 pixels below the top: 0.0 into Vol.
    press(stepPoint(0, 4, 34), 12, {[] {}, [] {}});
    for (int k = 0; k < 16; ++k) {
        const float expected = k >= 4 && k <= 6 ? 0.0f : 1.0f;
        EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, k), expected) << k;
    }
    // With control the value runs on through on steps too.
    press(stepPoint(0, 10, 17), 20, {[] {}, [] {}});
    for (int k = 10; k < 16; ++k) {
        EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, k), 0.5f) << k;
    }
    EXPECT_FLOAT_EQ(row(0).lane(Lane::Vol, 9), 1.0f);
}

TEST_F(EditorWindowTest, AltClickResetsTheLaneOfTheRowAndKeepsTheSteps) {
    instrument.stepEditMode = 0.25f; // Tune
    for (int k = 0; k < 16; ++k) {
        row(5).setLane(Lane::Tune, k, 0.9f);
        row(5).setLane(Lane::Vol, k, 0.2f);
    }
    row(5).setStep(3, true);
    editor.showCurrentPattern();
    press(stepPoint(5, 8), 33);
    for (int k = 0; k < 16; ++k) {
        EXPECT_FLOAT_EQ(row(5).lane(Lane::Tune, k), 0.5f) << k;
        EXPECT_FLOAT_EQ(row(5).lane(Lane::Vol, k), 0.2f) << k;
    }
    EXPECT_TRUE(row(5).stepOn(3));
    EXPECT_FLOAT_EQ(editor.row(5).steps().button(3)->value(), StepButton::shownValue(true, 0.5f));
}

TEST_F(EditorWindowTest, TheWheelAndOtherButtonsLeaveStepsAlone) {
    StepButton* b = editor.row(1).steps().button(2);
    const float before = b->value();
    platform::Event wheel;
    wheel.type = platform::EventType::Wheel;
    wheel.position = stepPoint(1, 2);
    wheel.delta = 1;
    system->post(*window, wheel);
    editor.idle();
    EXPECT_EQ(b->value(), before);
    press(stepPoint(1, 2), 2);  // middle
    press(stepPoint(1, 2), 17); // control + left
    EXPECT_FALSE(row(1).stepOn(2));
    EXPECT_EQ(b->value(), before);
}

// The output field's steps and ends: the GUI quick-click test and ModelTest.
TEST_F(EditorWindowTest, HoldingTheRightButtonOnANameShowsTheSlotsDirectoryUntilReleased) {
    std::string shown;
    press({100, 90 + 62}, 4, {[] {}, [&] { shown = editor.sampleBaseDisplay->text(); }});
    EXPECT_EQ(shown, std::string(Editor::kTextIndent) + SampleBrowser::kNoDirectory);
    EXPECT_EQ(editor.sampleBaseDisplay->text(),
              Editor::kTextIndent + editor.sampleBrowser().sampleBasePath());
}

#ifndef _WIN32 // the desktop dialogs are helper programs on Linux only
// Import and Export through their buttons. The dialogs are the desktop kind, played by a
// script that logs its arguments and answers a file selection with the path in `answer`.
class BankButtonsTest : public EditorWindowTest {
protected:
    void SetUp() override {
        const fs::path program = root / "fake-zenity";
        std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << log().string()
                               << "'\necho '--' >> '" << log().string()
                               << "'\ncase \"$1\" in --file-selection) cat '"
                               << (root / "answer").string() << "';; esac\nexit 0\n";
        ::chmod(program.c_str(), 0755);
        FileSelector::setDesktopProgram(program.string());
        FileSelector::setDefaultBackend(DialogBackend::Desktop);
        EditorWindowTest::SetUp(); // the window's dialogs take the backend when it opens
    }
    void TearDown() override {
        editor.close();
        FileSelector::setDefaultBackend(DialogBackend::Automatic);
        FileSelector::setDesktopProgram({});
    }

    fs::path log() const { return root / "log"; }
    void answer(const fs::path& file) { std::ofstream(root / "answer") << file.string() << "\n"; }
    // Everything the dialogs were asked since the last call.
    std::string asked() {
        std::ostringstream text;
        text << std::ifstream(log()).rdbuf();
        fs::remove(log());
        return text.str();
    }
    // One pass of the button's loop with the given value.
    void pass(Control* button, float value) {
        button->setValue(value);
        editor.valueChanged(nullptr, *button);
    }
    void click(Control* button) {
        pass(button, 1.0f);
        pass(button, 0.0f);
    }
    std::string bankText() {
        std::string text;
        EXPECT_TRUE(BankFile::toText(instrument, root, text).ok);
        return text;
    }

    const ScratchDirectory scratch{"quovent-bank-buttons"};
    const fs::path root = scratch.path();
};

TEST_F(BankButtonsTest, ExportThenImportRestoresTheModelAndEveryControlShowsIt) {
    slot(2).volume = 0.3f;
    slot(5).filterMode = 2;
    row(1).setStep(4, true);
    row(1).setLane(0, 4, 0.25f);
    editor.sequencer().shuffleAmount = 0.4f;
    instrument.stepEditMode = 0.0f;
    const std::string exported = bankText();

    // Held for several passes, the button asks once; the bare name gets the extension.
    answer(root / "groove");
    pass(editor.exportButton, 1.0f);
    pass(editor.exportButton, 1.0f);
    pass(editor.exportButton, 0.0f);
    const std::string exportQuestion = asked();
    EXPECT_NE(exportQuestion.find("--title=Export groove bank\n"), std::string::npos);
    EXPECT_NE(exportQuestion.find("--save\n"), std::string::npos);
    EXPECT_NE(exportQuestion.find("--filename=" + editor.sampleBrowser().sampleBasePath()),
              std::string::npos);
    EXPECT_NE(exportQuestion.find("quovent bank (*.json)"), std::string::npos);
    EXPECT_EQ(exportQuestion.find("--\n"), exportQuestion.rfind("--\n")) << "asked once";
    ASSERT_TRUE(fs::exists(root / "groove.json"));

    // Change the model and let the window show the changes.
    slot(2).volume = 0.9f;
    slot(5).filterMode = 0;
    row(1).setStep(4, false);
    editor.sequencer().shuffleAmount = 0.0f;
    instrument.stepEditMode = 1.0f;
    editor.showStepEditMode();
    editor.showShuffle();
    editor.showSlotSettings(2);
    editor.showSlotSettings(5);
    ASSERT_FALSE(editor.row(1).steps().button(4)->on());

    answer(root / "groove.json");
    click(editor.importButton);
    const std::string importQuestion = asked();
    EXPECT_NE(importQuestion.find("--file-selection\n"), std::string::npos);
    EXPECT_EQ(importQuestion.find("--save"), std::string::npos);
    EXPECT_EQ(importQuestion.find("--info"), std::string::npos)
        << "no message after a clean import";
    EXPECT_EQ(bankText(), exported);
    EXPECT_FLOAT_EQ(editor.row(2).volume->value(), 0.3f);
    EXPECT_FLOAT_EQ(editor.row(5).filterType->value(), 2.0f / 3.0f);
    EXPECT_TRUE(editor.row(1).steps().button(4)->on());
    EXPECT_FLOAT_EQ(editor.row(1).steps().button(4)->laneValue(0), 0.25f);
    EXPECT_FALSE(editor.row(1).steps().button(5)->on());
    EXPECT_FLOAT_EQ(editor.shuffleKnob->value(), 0.4f);
    EXPECT_FLOAT_EQ(editor.stepEditSwitch->value(), 0.0f);

    // Cancelled selections do nothing.
    std::ofstream(root / "answer", std::ios::trunc).close();
    click(editor.importButton);
    click(editor.exportButton);
    EXPECT_EQ(bankText(), exported);
}

TEST_F(BankButtonsTest, RefusalsAndFailuresAreToldAndARefusedBankChangesNothing) {
    editor.sequencer().shuffleAmount = 0.25f;
    editor.showShuffle();
    row(3).setStep(7, true);
    editor.showCurrentPattern();
    const std::string before = bankText();

    std::ofstream(root / "bad.json")
        << R"({"format": "quovent-bank", "version": 1, "shuffleAmount": 0.5,)"
        << R"( "slots": [{"volume": 0.1}, {"volume": 2}]})";
    answer(root / "bad.json");
    click(editor.importButton);
    const std::string refusal = asked();
    EXPECT_NE(refusal.find("could not be imported"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("slots[1].volume"), std::string::npos) << refusal;
    EXPECT_EQ(bankText(), before);
    EXPECT_FLOAT_EQ(editor.shuffleKnob->value(), 0.25f);

    answer(root / "no-such-folder" / "out.json");
    click(editor.exportButton);
    const std::string failure = asked();
    EXPECT_NE(failure.find("could not be exported"), std::string::npos) << failure;
    EXPECT_FALSE(fs::exists(root / "no-such-folder"));

    // A bank whose sample is gone is imported, and the missing path is listed.
    std::ofstream(root / "kit.json")
        << R"({"format": "quovent-bank", "version": 1, "slots": [{"samplePath": "gone.wav"}]})";
    answer(root / "kit.json");
    click(editor.importButton);
    const std::string missing = asked();
    EXPECT_NE(missing.find("samples were not found"), std::string::npos) << missing;
    EXPECT_NE(missing.find((root / "gone.wav").string()), std::string::npos) << missing;
    EXPECT_EQ(slot(0).samplePath(), (root / "gone.wav").string());
    EXPECT_FALSE(row(3).stepOn(7)) << "an imported bank replaces every pattern";
    EXPECT_FALSE(editor.row(3).steps().button(7)->on());
}
#endif

TEST(StepButtonValues, OnAndOffStepsUseTheTwoHalvesOfTheStrip) {
    EXPECT_FLOAT_EQ(StepButton::shownValue(true, 1.0f), 0.5f);
    EXPECT_FLOAT_EQ(StepButton::shownValue(false, 0.0f), 0.512f);
    EXPECT_FLOAT_EQ(StepButton::shownValue(false, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(StepButton::heightValue(100, 100), 1.0f);
    EXPECT_FLOAT_EQ(StepButton::heightValue(90, 100), 1.0f);
    EXPECT_FLOAT_EQ(StepButton::heightValue(117, 100), 0.5f);
    EXPECT_FLOAT_EQ(StepButton::heightValue(140, 100), 0.0f);
    EXPECT_EQ(SampleNameDisplay::listEntry(9, "/a/b/c.wav"), "09: c.wav");
    EXPECT_EQ(SampleNameDisplay::listEntry(10, "/a/b/d.wav"), "10: d.wav");
}

} // namespace
} // namespace quovent::test
