// The editor's own model-side behaviour: the StepEdit shortcuts. The window's size before the
// first open is EditorZoomTest's.
#include "FakeHost.hpp"
#include "editor/Editor.hpp"

#include <gtest/gtest.h>

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
