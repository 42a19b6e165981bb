// The editor's actions on the model: solo, step-edit shortcuts, pattern selection.
#include "FakeHost.hpp"
#include "editor/Editor.hpp"
#include "platform/stub/StubWindowSystem.hpp"
#include "tests/support/IsolatedUserSettings.hpp"
#include "tests/support/ScratchDirectory.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace quovent;

namespace {
class EditorModelTest : public ::testing::Test {
protected:
    Slot& slot(int i) { return editor.sequencer().slots().slot(i); }
    test::FakeHost host;
    Editor editor{host};
};
} // namespace

TEST_F(EditorModelTest, SoloSavesAndRestoresTheMuteStates) {
    slot(2).active = 0; // muted before any solo
    editor.setSolo(4, true);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(slot(i).active, i == 4 ? 1 : 0) << i;
    }
    editor.setSolo(2, true); // a second solo adds its slot
    EXPECT_EQ(slot(2).active, 1);
    editor.setSolo(4, false); // releasing one of two mutes it
    EXPECT_EQ(slot(4).active, 0);
    EXPECT_EQ(slot(2).active, 1);
    editor.setSolo(2, false); // the last one restores what was in force before
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(slot(i).active, i == 2 ? 0 : 1) << i;
    }
}

TEST_F(EditorModelTest, StepEditShortcutsAreTheFiveLowerCaseLetters) {
    const struct {
        int character;
        int lane;
    } keys[] = {{'t', 1}, {'f', 2}, {'r', 3}, {'p', 4}, {'v', 0}};
    for (const auto& k : keys) {
        KeyCode code;
        code.character = k.character;
        EXPECT_EQ(editor.onKeyDown(code), 1);
        EXPECT_EQ(editor.stepEditLane(), k.lane);
    }
    KeyCode upper;
    upper.character = 'V';
    editor.stepEditMode = 0.5f;
    EXPECT_EQ(editor.onKeyDown(upper), 0);
    EXPECT_EQ(editor.stepEditLane(), 2);
    EXPECT_EQ(editor.onKeyUp(upper), -1);
}

TEST_F(EditorModelTest, SelectingKeysAndBanksKeepsPlayingAndChangesThePattern) {
    editor.selectPatternKey(3);
    EXPECT_EQ(editor.sequencer().patterns().currentPattern(), 3);
    EXPECT_EQ(editor.sequencer().playing, 0);
    editor.setPlaying(true);
    editor.selectPatternBank(1);
    EXPECT_EQ(editor.sequencer().patterns().currentPattern(), 15);
    EXPECT_EQ(editor.sequencer().playing, 1);
    editor.selectPatternKey(12);
    EXPECT_EQ(editor.sequencer().patterns().currentPattern(), 15);
    editor.setPlaying(false);
    EXPECT_EQ(editor.sequencer().playing, 0);
}

TEST_F(EditorModelTest, TheRectangleIsKnownBeforeTheFirstOpen) {
    // No zoom kept, a desktop at 100 %.
    const test::ScratchDirectory scratch("quovent-zoom");
    const test::IsolatedUserSettings nothingKept(scratch.path());
    editor.setWindowSystemFactory(
        [] { return std::make_unique<platform::stub::StubWindowSystem>(); });
    const EditorRect r = editor.getRect();
    EXPECT_EQ(r.right - r.left, 657);
    EXPECT_EQ(r.bottom - r.top, 590);
}
