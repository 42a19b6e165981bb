// The bundle's editor view under a real X server, as a Linux host drives it: the view embeds
// the editor in the host's window, asks the host's frame for its run loop and is served only
// from there (its timer and its X connection); real pointer events on it reach the host as
// edit gestures at 100 and 200 %, and a content scale change while open resizes the host's
// window and moves the run loop's watch to the rebuilt window's connection.
#include "formats/vst3/Vst3AbiView.hpp"
#include "instrument/ParameterTable.hpp"
#include "tests/support/IsolatedUserSettings.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/Vst3HostFrame.hpp"
#include "tests/support/Vst3RunLoop.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include "tests/support/EditorWindowFixture.hpp"

#include <memory>

using namespace quovent;
using namespace quovent::test;
using namespace quovent::vst3;

namespace {

constexpr int kWidth = 657; // the editor at 100 %
constexpr int kHeight = 590;
const ParamID kSlot1Mute = ParameterTable::slotParameter(0, SlotField::Mute);
// Slot 1's mute toggle in editor units (row 1 at 29, 80; the toggle at 342..364, 11..33).
constexpr Point kSlot1MuteToggle{29 + 353, 80 + 22};

class Vst3EditorView : public EditorWindowFixture {
protected:
    void setUpEditor() override {
        openParent();
        attach([this] { runLoop.turn(); });
        module = std::make_unique<Vst3Module>();
        plugin = std::make_unique<Vst3Instance>(*module);
        ASSERT_EQ(plugin->controller()->setComponentHandler(&plugin->handler()), kResultOk);
    }
    void tearDownEditor() override {
        if (view != nullptr) {
            view->removed();
            view->release();
        }
        plugin.reset();
        module.reset();
    }

    IPlugView* createView() { return plugin->controller()->createView(kEditorViewType); }

    // As hosts do: the window sized to the view's answer, then the view attached.
    tresult attachView() {
        const ViewRect r = size();
        resizeParent({r.right - r.left, r.bottom - r.top});
        EXPECT_EQ(view->setFrame(&frame), kResultOk);
        return view->attached(parentId(), kPlatformTypeX11EmbedWindowID);
    }

    ViewRect size() {
        ViewRect r{};
        EXPECT_EQ(view->getSize(&r), kResultOk);
        return r;
    }

    bool setScale(float factor) {
        IPlugViewContentScaleSupport* scaling = nullptr;
        if (view->queryInterface(IPlugViewContentScaleSupport::iid.bytes,
                                 reinterpret_cast<void**>(&scaling)) != kResultOk) {
            return false;
        }
        const tresult result = scaling->setContentScaleFactor(factor);
        scaling->release();
        return result == kResultOk;
    }

    ScratchDirectory scratch{"quovent-vst3-view"};
    IsolatedUserSettings settings{scratch.path()}; // no zoom of the user's is kept
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<Vst3Instance> plugin;
    Vst3RunLoop runLoop;
    std::vector<Vst3HostFrame::Size> hostSizes;
    Vst3HostFrame frame{&runLoop, [this](Vst3HostFrame::Size s) {
                            hostSizes.push_back(s);
                            resizeParent({s.width, s.height});
                            return true;
                        }};
    IPlugView* view = nullptr;
};

TEST_F(Vst3EditorView, OneEditorViewAtATimeForX11Parents) {
    EXPECT_EQ(plugin->controller()->createView(nullptr), nullptr);
    EXPECT_EQ(plugin->controller()->createView("inspector"), nullptr);
    view = createView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(createView(), nullptr) << "a second view over the same instrument";
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kResultFalse);
    EXPECT_EQ(view->attached(parentId(), kPlatformTypeHWND), kResultFalse);
    EXPECT_EQ(view->canResize(), kResultFalse);

    const ViewRect at100 = size();
    EXPECT_EQ(at100.right - at100.left, kWidth);
    EXPECT_EQ(at100.bottom - at100.top, kHeight);
    ViewRect asked{10, 20, 900, 900};
    EXPECT_EQ(view->checkSizeConstraint(&asked), kResultTrue);
    EXPECT_EQ(asked.right - asked.left, kWidth) << "the size follows the zoom alone";
    EXPECT_TRUE(setScale(2.0f));
    EXPECT_EQ(size().right, 2 * kWidth);
    EXPECT_EQ(size().bottom, 2 * kHeight);
    EXPECT_FALSE(setScale(0.0f));
    EXPECT_FALSE(setScale(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(size().right, 2 * kWidth) << "a refused scale changes nothing";

    view->release();
    view = createView();
    EXPECT_NE(view, nullptr) << "the next view once the first is gone";
}

TEST_F(Vst3EditorView, AHostWithoutARunLoopGetsNoWindow) {
    view = createView();
    ASSERT_NE(view, nullptr);
    Vst3HostFrame bare;
    ASSERT_EQ(view->setFrame(&bare), kResultOk);
    EXPECT_EQ(view->attached(parentId(), kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_TRUE(editorWindows().empty());
    EXPECT_EQ(view->setFrame(nullptr), kResultOk);
}

TEST_F(Vst3EditorView, ServedFromTheHostsRunLoopAClickIsAnEditGestureAndRemovedLeavesNothing) {
    view = createView();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(attachView(), kResultOk);
    ASSERT_EQ(editorWindows().size(), 1u);
    EXPECT_EQ(runLoop.timerCount(), 1u);
    ASSERT_EQ(runLoop.watchCount(), 1u);

    input.pump(5);
    click(kSlot1MuteToggle);
    input.pump(5);
    EXPECT_EQ(plugin->handler().gestures(kSlot1Mute), 1);
    const auto edits = plugin->handler().edits();
    ASSERT_FALSE(edits.empty());
    EXPECT_EQ(edits[1].kind, Vst3ComponentHandler::EditKind::Perform);
    EXPECT_EQ(edits[1].value, 1.0) << "muted";
    EXPECT_GT(runLoop.timerCalls(), 0);
    EXPECT_GT(runLoop.descriptorCalls(), 0) << "the window's events came through the watch";

    // A held press dragged down slot 1's volume slider is one gesture of many values.
    const ParamID volume = ParameterTable::slotParameter(0, SlotField::Volume);
    const Point slider{29 + 426, 80 + 30};
    plugin->handler().onEdit([this] { input.step(); });
    drag({slider, {slider.x, slider.y + 8}, {slider.x, slider.y + 16}});
    plugin->handler().onEdit({});
    input.pump(5);
    EXPECT_EQ(plugin->handler().gestures(volume), 1);
    int performs = 0;
    for (const auto& e : plugin->handler().edits()) {
        performs += e.id == volume && e.kind == Vst3ComponentHandler::EditKind::Perform ? 1 : 0;
    }
    EXPECT_GE(performs, 2) << "the value follows the pointer inside the gesture";

    // A key the host passes on picks the lane as typed into the window does.
    EXPECT_EQ(view->onKeyDown('t', 0, 0), kResultTrue);
    EXPECT_EQ(view->onKeyDown('t', 0, 1), kResultFalse);
    EXPECT_EQ(view->onKeyDown('#', 0, 0), kResultFalse);

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(runLoop.timerCount(), 0u);
    EXPECT_EQ(runLoop.watchCount(), 0u);
    XSync(dpy, False);
    EXPECT_TRUE(editorWindows().empty());
    view->release();
    view = nullptr;
    EXPECT_EQ(runLoop.references(), 0u) << "the run loop's references given back";
}

TEST_F(Vst3EditorView, At200PercentTheWindowDoublesTakesThePointerAndShrinksWithTheScale) {
    view = createView();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(setScale(2.0f)); // hosts set the scale before they attach
    ASSERT_EQ(attachView(), kResultOk);
    ASSERT_EQ(editorWindows().size(), 1u);
    EXPECT_EQ(editorSize().width, 2 * kWidth);

    input.pump(5);
    click(kSlot1MuteToggle);
    input.pump(5);
    EXPECT_EQ(plugin->handler().gestures(kSlot1Mute), 1);
    saveEditor("vst3-view-200.png");

    // The host moves the window to a 100 % screen: it is asked for the smaller size, the
    // editor is rebuilt in its window and the run loop watches the new connection only.
    ASSERT_TRUE(setScale(1.0f));
    ASSERT_FALSE(hostSizes.empty());
    EXPECT_EQ(hostSizes.back(), (Vst3HostFrame::Size{kWidth, kHeight}));
    ASSERT_EQ(editorWindows().size(), 1u);
    EXPECT_EQ(editorSize().width, kWidth);
    EXPECT_EQ(runLoop.watchCount(), 1u);
    input.pump(5);
    click(kSlot1MuteToggle);
    input.pump(5);
    EXPECT_EQ(plugin->handler().gestures(kSlot1Mute), 2) << "the rebuilt window is served";
}

} // namespace
