// The VST 3 bundle's editor view inside a Windows host window under Wine: attached to the
// host's HWND, served by nothing but the thread's messages (its timer rides on them), and
// driven by real pointer events (xdotool on the virtual X display) at 100 and 200 %.
#include "formats/vst3/Vst3AbiView.hpp"
#include "instrument/ParameterTable.hpp"
#include "tests/support/IsolatedUserSettings.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/Vst3HostFrame.hpp"
#include "tests/support/Vst3TestHost.hpp"
#include "tests/windows/EditorHostWindow.hpp"

#include <memory>

namespace quovent::test {
namespace {

using namespace vst3;

const ParamID kSlot1Mute = ParameterTable::slotParameter(0, SlotField::Mute);
// Slot 1's mute toggle (row 1 at 29, 80; the toggle at 342..364, 11..33 of the row).
constexpr int kMuteX = 29 + 353;
constexpr int kMuteY = 80 + 22;

// The VST 2 host of the base fixture is not made: only its window and Unix helpers serve.
class Vst3EditorWindowTest : public EditorHostWindow {
protected:
    void SetUp() override {
        if (!haveDisplay()) {
            GTEST_SKIP() << "no X display (run the Windows tests under xvfb-run)";
        }
        module = std::make_unique<Vst3Module>();
        plugin = std::make_unique<Vst3Instance>(*module);
        ASSERT_EQ(plugin->controller()->setComponentHandler(&plugin->handler()), kResultOk);
        parent = createParent();
        ASSERT_NE(parent, nullptr);
        ShowWindow(parent, SW_SHOW);
        pump(200);
    }
    void TearDown() override {
        if (view != nullptr) {
            view->removed();
            view->release();
        }
        if (parent != nullptr) {
            DestroyWindow(parent);
        }
        plugin.reset();
        module.reset();
    }

    // As hosts do: the window sized to the view's answer, then the view attached.
    bool attachAt(float scale) {
        view = plugin->controller()->createView(kEditorViewType);
        if (view == nullptr) {
            return false;
        }
        IPlugViewContentScaleSupport* scaling = nullptr;
        if (view->queryInterface(IPlugViewContentScaleSupport::iid.bytes,
                                 reinterpret_cast<void**>(&scaling)) != kResultOk) {
            return false;
        }
        EXPECT_EQ(scaling->setContentScaleFactor(scale), kResultOk);
        scaling->release();
        ViewRect size{};
        EXPECT_EQ(view->getSize(&size), kResultOk);
        RECT r{0, 0, size.right - size.left, size.bottom - size.top};
        AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
        SetWindowPos(parent, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_EQ(view->setFrame(&frame), kResultOk);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
        if (view->attached(parent, kPlatformTypeHWND) != kResultOk) {
            return false;
        }
        percent = static_cast<int>(scale * 100.0f + 0.5f);
        pump(300);
        return editorWindow() != nullptr;
    }

    ScratchDirectory scratch{"quovent-vst3-window"};
    IsolatedUserSettings settings{scratch.path()}; // no zoom of the user's is kept
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<Vst3Instance> plugin;
    Vst3HostFrame frame;
    IPlugView* view = nullptr;
};

TEST_F(Vst3EditorWindowTest, At100PercentTheViewIsAChildTheTimerServesItAndAClickIsAGesture) {
    ASSERT_TRUE(attachAt(1.0f));
    const HWND editor = editorWindow();
    EXPECT_EQ(GetParent(editor), parent);
    RECT r{};
    GetWindowRect(editor, &r);
    EXPECT_EQ(r.right - r.left, kEditorWidth);
    ASSERT_TRUE(xdotool("mousemove " + at(kMuteX, kMuteY) + " sleep 0.15 click 1"));
    ASSERT_TRUE(pumpUntil([&] { return plugin->handler().gestures(kSlot1Mute) == 1; }, 3000));
    // A held press dragged down slot 1's volume slider: one gesture of several values.
    const int x = 29 + 426;
    const int y = 80 + 30;
    ASSERT_TRUE(xdotool("mousemove " + at(x, y) + " sleep 0.15 mousedown 1 sleep 0.2 mousemove " +
                        at(x, y + 8) + " sleep 0.2 mousemove " + at(x, y + 16) +
                        " sleep 0.2 mouseup 1"));
    const ParamID volume = ParameterTable::slotParameter(0, SlotField::Volume);
    EXPECT_EQ(plugin->handler().gestures(volume), 1);
    EXPECT_GE(plugin->handler().performs(volume), 2);
    EXPECT_TRUE(saveScreenshot(buildDir() + "/vst3-window-100.png"));
    EXPECT_EQ(view->removed(), kResultOk);
    pump(50);
    EXPECT_EQ(editorWindow(), nullptr);
}

TEST_F(Vst3EditorWindowTest, At200PercentTheWindowDoublesAndTakesThePointer) {
    ASSERT_TRUE(attachAt(2.0f));
    RECT r{};
    GetWindowRect(editorWindow(), &r);
    EXPECT_EQ(r.right - r.left, 2 * kEditorWidth);
    ASSERT_TRUE(xdotool("mousemove " + at(kMuteX, kMuteY) + " sleep 0.15 click 1"));
    ASSERT_TRUE(pumpUntil([&] { return plugin->handler().gestures(kSlot1Mute) == 1; }, 3000));
    EXPECT_TRUE(saveScreenshot(buildDir() + "/vst3-window-200.png", 2 * kEditorWidth,
                               2 * kEditorHeight - 6));
}

} // namespace
} // namespace quovent::test
