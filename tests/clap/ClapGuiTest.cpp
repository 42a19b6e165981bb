// The library's GUI under a real X server, as a Linux host drives it: embedded in the host's
// window and served only by the host's timer and descriptor support from the test's loop;
// real clicks on it at 100 and 200 % reach the host as gestures, and destroying it gives
// back everything it registered. A host that cannot serve it gets none.
#include "instrument/ParameterTable.hpp"
#include "tests/support/ClapTestHost.hpp"
#include "tests/support/IsolatedUserSettings.hpp"
#include "tests/support/ScratchDirectory.hpp"

#include "tests/support/EditorWindowFixture.hpp"

#include <cmath>

using namespace quovent;
using namespace quovent::test;

namespace {

const clap::Id kSlot1Mute = ParameterTable::slotParameter(0, SlotField::Mute);
// Slot 1's mute toggle in editor units (row 1 at 29, 80; the toggle at 342..364, 11..33).
constexpr Point kSlot1MuteToggle{29 + 353, 80 + 22};

class ClapGui : public EditorWindowFixture, public ::testing::WithParamInterface<int> {
protected:
    void setUpEditor() override {
        openParent();
        attach([this] { host.turn(); });
        gui = plugin.extension<clap::PluginGui>(clap::kExtGui);
    }
    void tearDownEditor() override { gui->destroy(plugin.plugin()); }

    ScratchDirectory scratch{"quovent-clap-gui"};
    IsolatedUserSettings settings{scratch.path()}; // no zoom of the user's is kept
    ClapLibrary library;
    ClapTestHost host;
    ClapInstance plugin{library, host};
    const clap::PluginGui* gui = nullptr;
};

TEST_P(ClapGui, EmbeddedAndServedByTheHostsLoopAClickIsAGestureAndDestroyLeavesNothing) {
    const clap::Plugin* p = plugin.plugin();
    EXPECT_FALSE(gui->create(p, clap::kWindowApiX11, true)) << "never floating";
    EXPECT_FALSE(gui->create(p, clap::kWindowApiWin32, false));
    ASSERT_TRUE(gui->create(p, clap::kWindowApiX11, false));
    EXPECT_FALSE(gui->set_scale(p, std::nan("")));
    ASSERT_TRUE(gui->set_scale(p, GetParam() / 100.0));
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ASSERT_TRUE(gui->get_size(p, &width, &height));
    const Size size{static_cast<int>(width), static_cast<int>(height)};
    EXPECT_EQ(size.width, kEditorSize.width * GetParam() / 100);
    EXPECT_FALSE(gui->can_resize(p));
    resizeParent(size);
    clap::Window window{clap::kWindowApiX11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->set_parent(p, &window));
    EXPECT_EQ(editorSize().width, size.width);
    EXPECT_EQ(host.timers.size(), 1u);
    ASSERT_EQ(host.descriptors.size(), 1u);

    input.pump(5);
    click(kSlot1MuteToggle);
    input.pump(5);
    ClapEventSink sink;
    ClapBuffers out(64);
    plugin.process(out, nullptr, &sink);
    ASSERT_EQ(sink.pushed.size(), 3u);
    EXPECT_EQ(sink.pushed[0].type, clap::kEventParamGestureBegin);
    EXPECT_EQ(sink.pushed[1].id, kSlot1Mute);
    EXPECT_EQ(sink.pushed[1].value, 1.0) << "muted";
    EXPECT_EQ(sink.pushed[2].type, clap::kEventParamGestureEnd);
    EXPECT_GT(host.timerCalls, 0);
    EXPECT_GT(host.descriptorCalls, 0) << "the window's events came through the host's watch";
    EXPECT_GE(host.dirtyMarks, 1) << "an edit tells the host its project changed";
    saveEditor("clap-gui-" + std::to_string(GetParam()) + ".png");

    gui->destroy(p);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.descriptors.empty());
    XSync(dpy, False);
    EXPECT_TRUE(editorWindows().empty());
}

INSTANTIATE_TEST_SUITE_P(Zooms, ClapGui, ::testing::Values(100, 200));

TEST(ClapGuiHost, AHostWithoutTimersAndDescriptorsGetsNoGui) {
    ClapLibrary library;
    ClapTestHost host(false);
    ClapInstance plugin(library, host);
    const auto* gui = plugin.extension<clap::PluginGui>(clap::kExtGui);
    EXPECT_FALSE(gui->create(plugin.plugin(), clap::kWindowApiX11, false));
}

} // namespace
