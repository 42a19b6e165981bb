// The DLL's editor inside a Windows host window under Wine, driven by real pointer events
// (xdotool on the virtual X display): the window's place, every control kind of the layout,
// quick taps, menus, Play, drops, repeated opens and closes, and a screenshot compared with
// the Linux editor's.
#include "tests/support/TestWav.hpp"
#include "tests/windows/EditorHostWindow.hpp"

#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

// Editor geometry (layout units at 100 %).
constexpr int kRowTop = 80;
constexpr int kRowPitch = 62;
constexpr int kRowLeft = 29;
int rowY(int slot, int y) {
    return kRowTop + kRowPitch * slot + y;
}
struct Spot {
    int x;
    int y;
};
Spot stepSpot(int slot, int step, int dy = 17) {
    return {44 + 20 * step + 10, 101 + kRowPitch * slot + dy};
}
constexpr Spot kPlay{292, 52};
constexpr Spot kPatternMenu{382, 52};

class EditorWindowTest : public EditorHostWindow {
protected:
    void SetUp() override {
        EditorHostWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_NE(openEditor(), nullptr);
    }

    std::string move(Spot s) const { return "mousemove " + at(s.x, s.y) + " sleep 0.15 "; }
    bool click(Spot s, int button = 1) {
        return xdotool(move(s) + "click " + std::to_string(button));
    }
    bool stepOn(int slot, int step) {
        return state()["patterns"][0]["rows"][slot]["stepOn"][step].get<bool>();
    }
    float slotValue(int slot, const char* key) { return state()["slots"][slot][key].get<float>(); }
};

TEST_F(EditorWindowTest, TheFrameIsAChildOfTheHostWindowAtItsOrigin) {
    const HWND editor = editorWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetParent(editor), parent);
    EXPECT_NE(GetWindowLongW(editor, GWL_STYLE) & WS_CHILD, 0);
    RECT r{};
    GetWindowRect(editor, &r);
    POINT origin{0, 0};
    ClientToScreen(parent, &origin);
    EXPECT_EQ(r.left, origin.x);
    EXPECT_EQ(r.top, origin.y);
    EXPECT_EQ(r.right - r.left, kEditorWidth);
    EXPECT_EQ(r.bottom - r.top, kEditorHeight - 3); // the frame rectangle starts 3 down
    EXPECT_NE(effect->flags & vst::effFlagsHasEditor, 0);
    vst::ERect* rect = nullptr;
    EXPECT_EQ(dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&rect)), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, kEditorWidth);
    EXPECT_EQ(rect->bottom - rect->top, kEditorHeight);
}

TEST_F(EditorWindowTest, DragsPaintStepsAQuickTapCountsAndTypedKeysPickTheLane) {
    std::string script = move(stepSpot(0, 0)) + "mousedown 1 sleep 0.2 ";
    for (int k = 1; k < 6; ++k) {
        script += move(stepSpot(0, k));
    }
    script += "mouseup 1";
    ASSERT_TRUE(xdotool(script));
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(stepOn(0, k), k < 6) << "step " << k;
    }
    // A tap: press and release reach the window before it looks again.
    ASSERT_TRUE(xdotool(move(stepSpot(2, 9)) + "click 1"));
    EXPECT_TRUE(stepOn(2, 9));
    ASSERT_TRUE(xdotool(move(stepSpot(2, 9)) + "click 1"));
    EXPECT_FALSE(stepOn(2, 9));
    // The click gave the window the focus: a typed t reaches it as WM_CHAR and picks Tune,
    // the host's key opcode picks Pan.
    ASSERT_EQ(GetFocus(), editorWindow());
    ASSERT_TRUE(xdotool("key t"));
    EXPECT_FLOAT_EQ(state()["stepEditMode"].get<float>(), 0.25f);
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'p'), 1);
    EXPECT_FLOAT_EQ(state()["stepEditMode"].get<float>(), 1.0f);
}

TEST_F(EditorWindowTest, KnobSliderToggleAndOutputSelectorFollowThePointer) {
    // RES of slot 1 in linear mode: (max - min) / 200 per pixel, right and up.
    dispatch(vst::effSetEditKnobMode, 0, 2);
    const Spot res{kRowLeft + 514, rowY(0, 38)};
    ASSERT_TRUE(xdotool(move(res) + "mousedown 1 sleep 0.2 " + move({res.x + 10, res.y}) +
                        move({res.x + 10, res.y - 20}) + "sleep 0.2 mouseup 1"));
    EXPECT_NEAR(slotValue(0, "res"), 30.0f / 200.0f, 1e-4f);

    // VOL of slot 2: a free click puts the handle there; a drag far above clamps at 1.
    const int volX = kRowLeft + 426;
    const Spot volMid{volX, rowY(1, 31)};
    ASSERT_TRUE(click(volMid));
    const float clicked = slotValue(1, "volume");
    EXPECT_GT(clicked, 0.2f);
    EXPECT_LT(clicked, 0.8f);
    ASSERT_TRUE(xdotool(move(volMid) + "mousedown 1 sleep 0.2 " + move({volX, rowY(1, -60)}) +
                        "sleep 0.2 mouseup 1"));
    EXPECT_FLOAT_EQ(slotValue(1, "volume"), 1.0f);
    ASSERT_TRUE(xdotool(move(volMid) + "mousedown 1 sleep 0.2 " + move({volX, rowY(1, 140)}) +
                        "sleep 0.2 mouseup 1"));
    EXPECT_FLOAT_EQ(slotValue(1, "volume"), 0.0f);

    // Mute of slot 3 flips with each click.
    const Spot mute{382, rowY(2, 22)};
    ASSERT_TRUE(click(mute));
    EXPECT_FALSE(state()["slots"][2]["active"].get<bool>());
    ASSERT_TRUE(click(mute));
    EXPECT_TRUE(state()["slots"][2]["active"].get<bool>());

    // A right click on the output selector of slot 4 takes the next pair.
    ASSERT_TRUE(click({608, rowY(3, 51)}, 3));
    EXPECT_EQ(state()["slots"][3]["outputPair"].get<int>(), 2);
}

TEST_F(EditorWindowTest, ThePatternMenuReportsTheChosenItemAndNothingWhenDismissed) {
    ASSERT_TRUE(click(stepSpot(0, 3)));
    ASSERT_TRUE(stepOn(0, 3));
    // Dismissed with Escape: the pattern stays.
    ASSERT_TRUE(xdotool(move(kPatternMenu) + "click 1 sleep 0.4 key Escape"));
    EXPECT_TRUE(stepOn(0, 3));
    // "init full pattern", the third item, chosen with the keys.
    ASSERT_TRUE(xdotool(move(kPatternMenu) + "click 1 sleep 0.4 key Down Down Down Return"));
    EXPECT_FALSE(stepOn(0, 3));
}

TEST_F(EditorWindowTest, PlaySoundsPatternZeroOnTheSlotsPairAndStops) {
    const fs::path dir = fs::path(windowsPath(buildDir())) / "editor-window-play";
    fs::create_directories(dir);
    TestWav::constant(44100, 16000).write(dir / "kick.wav");
    nlohmann::json bank = state();
    bank["slots"][0]["samplePath"] = (dir / "kick.wav").string();
    bank["slots"][0]["outputPair"] = 2;
    ASSERT_EQ(host->setChunk(bank.dump()), 1);
    pump(100);
    ASSERT_TRUE(click(stepSpot(0, 0)));
    ASSERT_TRUE(click(kPlay));
    const std::vector<float> peaks = renderPeaks(20);
    EXPECT_GT(peaks[1], 0.05f);
    EXPECT_EQ(peaks[0], 0.0f);
    ASSERT_TRUE(click(kPlay));
    renderPeaks(20); // the voices fade out
    const std::vector<float> after = renderPeaks(4);
    EXPECT_EQ(after[1], 0.0f);
}

TEST_F(EditorWindowTest, ScreenshotOfTheFreshEditor) {
    const std::string path =
        buildDir() + "/editor-windows-" + std::to_string(sizeof(void*) * 8) + ".png";
    ASSERT_TRUE(saveScreenshot(path));
    EXPECT_TRUE(fs::exists(windowsPath(path)));
}

} // namespace
} // namespace quovent::test
