// The editor's own model-side behaviour: the StepEdit shortcuts and the window's size.
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
    Instrument instrument;
    test::FakeHost host{instrument};
    Editor editor{instrument, host};
};
} // namespace

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
    instrument.stepEditMode = 0.5f;
    EXPECT_EQ(editor.onKeyDown(upper), 0);
    EXPECT_EQ(editor.stepEditLane(), 2);
    EXPECT_EQ(editor.onKeyUp(upper), -1);
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
