// The editor of the built library (build/quovent.so) loaded as a Linux host loads it, opened
// in a plain X11 window while the stored sample base cannot be read. The test sees only what
// a host and a user see: the window, the message box (found by its caption among the
// top-level windows and closed as a window manager closes it) and the host callbacks.
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestHost.hpp"

// Xlib defines macros such as None and Status.
#include "tests/support/EditorWindowFixture.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCaption = "quovent v1.0";

class LoadedEditorGuiTest : public EditorWindowFixture {
protected:
    void setUpEditor() override {
        fs::create_directories(configDir / "HalvdenLabs");
        ::setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
        openParent();
        ASSERT_NE(host.open(), nullptr);
        host.prepare();
        host.answers.custom = [this](const HostCall& call) -> std::optional<std::intptr_t> {
            if (call.opcode == vst::audioMasterIdle && onHostIdle) {
                onHostIdle();
            }
            return std::nullopt;
        };
        attach([this] {
            host.dispatch(vst::effEditIdle);
            look();
        });
    }
    void tearDownEditor() override {
        host.answers.custom = nullptr;
        if (host.effect() != nullptr) {
            host.dispatch(vst::effEditClose);
            host.close();
        }
    }

    fs::path stored() const { return configDir / "HalvdenLabs" / "SampleBase"; }
    std::intptr_t editOpen() { return host.dispatch(vst::effEditOpen, 0, 0, parentId()); }

    // Notes every box seen; closes it as a window manager's close button does.
    void look() {
        for (Window box : windowsTitled(kCaption)) {
            seen.insert(box);
            if (closeBoxes) {
                XEvent e{};
                e.xclient.type = ClientMessage;
                e.xclient.window = box;
                e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
                e.xclient.format = 32;
                e.xclient.data.l[0] =
                    static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
                e.xclient.data.l[1] = CurrentTime;
                XSendEvent(dpy, box, False, NoEventMask, &e);
                XSync(dpy, False);
            }
        }
    }
    // Opens the editor over the stored setting as it is now: it opens, shows one message,
    // and keeps working.
    void opensAndSaysSoOnce(const std::string& what) {
        SCOPED_TRACE(what);
        seen.clear();
        onHostIdle = [this] { look(); };
        ASSERT_EQ(editOpen(), 1);
        EXPECT_EQ(editorWindows().size(), 1u) << "the window is there";
        input.pump(40);
        EXPECT_EQ(seen.size(), 1u) << "one message";
        EXPECT_TRUE(windowsTitled(kCaption).empty()) << "and it was closed";
        host.dispatch(vst::effEditClose);
        EXPECT_TRUE(editorWindows().empty());
        fs::remove_all(stored());
    }

    ScratchDirectory scratch{"quovent-loaded-editor"};
    const fs::path configDir = scratch.path() / "config";
    TestHost host;
    std::function<void()> onHostIdle;
    std::set<Window> seen;
    bool closeBoxes = true;
};

TEST_F(LoadedEditorGuiTest, AnUnreadableSampleBaseOpensTheWindowWithOneMessage) {
    // Each way the setting can fail to read is SampleBrowserTest's.
    fs::create_directories(stored());
    opensAndSaysSoOnce("the settings path is a folder");
    // A readable setting: no message.
    std::ofstream(stored()) << "/tmp\n";
    seen.clear();
    ASSERT_EQ(editOpen(), 1);
    input.pump(20);
    EXPECT_TRUE(seen.empty());
}

TEST_F(LoadedEditorGuiTest, TheHostClosingTheEditorFromInsideTheMessageIsSafe) {
    fs::create_directories(stored());
    closeBoxes = false;
    int closes = 0;
    onHostIdle = [&] {
        look();
        if (!seen.empty() && closes == 0) {
            ++closes;
            host.dispatch(vst::effEditClose); // as a host does from its own idle
        }
    };
    ASSERT_EQ(editOpen(), 1);
    input.pump(20);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(editorWindows().empty());
    EXPECT_TRUE(windowsTitled(kCaption).empty()) << "the message went with the editor";
    // The instance lives on and opens again.
    closeBoxes = true;
    onHostIdle = [this] { look(); };
    ASSERT_EQ(editOpen(), 1);
    input.pump(20);
    EXPECT_EQ(editorWindows().size(), 1u);
}

} // namespace
} // namespace quovent::test
