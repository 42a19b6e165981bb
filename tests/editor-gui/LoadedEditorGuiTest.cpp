// The editor of the built library (build/quovent.so) loaded as a Linux host loads it, opened
// in a plain X11 window while the stored sample base cannot be read. The test sees only what
// a host and a user see: the window, the message box (found by its caption among the
// top-level windows and closed as a window manager closes it) and the host callbacks.
#include "tests/support/TestHost.hpp"
#include "tests/support/WithoutFileOverride.hpp"

#include <gtest/gtest.h>

// After gtest: Xlib defines macros such as None and Status.
#include "tests/support/XInput.hpp"
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCaption = "quovent v1.0";

class LoadedEditorGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display (the test suite runs these under xvfb-run)";
        }
        configDir = fs::temp_directory_path() /
                    ("quovent-loaded-editor-config-" + std::to_string(::getpid()));
        fs::remove_all(configDir);
        fs::create_directories(configDir / "HalvdenLabs");
        ::setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
        dpy = XInput::openDisplay();
        ASSERT_NE(dpy, nullptr);
        const int screen = DefaultScreen(dpy);
        parent = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 700, 620, 0,
                                     BlackPixel(dpy, screen), WhitePixel(dpy, screen));
        XSelectInput(dpy, parent, StructureNotifyMask);
        XMapWindow(dpy, parent);
        for (XEvent e;;) {
            XNextEvent(dpy, &e);
            if (e.type == MapNotify) {
                break;
            }
        }
        ASSERT_NE(host.open(), nullptr);
        host.prepare();
        host.answers.custom = [this](const HostCall& call) -> std::optional<std::intptr_t> {
            if (call.opcode == vst::audioMasterIdle && onHostIdle) {
                onHostIdle();
            }
            return std::nullopt;
        };
    }

    void TearDown() override {
        if (dpy == nullptr) {
            return;
        }
        host.answers.custom = nullptr;
        if (host.effect() != nullptr) {
            host.dispatch(vst::effEditClose);
            host.close();
        }
        XDestroyWindow(dpy, parent);
        XCloseDisplay(dpy);
        fs::remove_all(configDir);
    }

    fs::path stored() const { return configDir / "HalvdenLabs" / "SampleBase"; }

    std::intptr_t editOpen() {
        return host.dispatch(vst::effEditOpen, 0, 0,
                             reinterpret_cast<void*>(parent)); // NOLINT(performance-no-int-to-ptr)
    }
    // The host's idle n times, at a host's pace.
    void idle(int n) {
        for (int i = 0; i < n; ++i) {
            host.dispatch(vst::effEditIdle);
            look();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // The editor's child windows in the host's window.
    unsigned childWindows() {
        Window root = 0;
        Window up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(dpy, parent, &root, &up, &children, &count);
        if (children != nullptr) {
            XFree(children);
        }
        return count;
    }
    // Mapped top-level windows with the editor's caption: its message boxes.
    std::vector<Window> boxesShown() {
        std::vector<Window> found;
        Window root = 0;
        Window up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XSync(dpy, False);
        if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &up, &children, &count) == 0) {
            return found;
        }
        for (unsigned i = 0; i < count; ++i) {
            char* name = nullptr;
            XWindowAttributes a{};
            if (XGetWindowAttributes(dpy, children[i], &a) != 0 && a.map_state == IsViewable &&
                XFetchName(dpy, children[i], &name) != 0 && name != nullptr) {
                if (std::string(name) == kCaption) {
                    found.push_back(children[i]);
                }
                XFree(name);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }
    // Notes every box seen; closes it as a window manager's close button does.
    void look() {
        for (Window box : boxesShown()) {
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
        EXPECT_EQ(childWindows(), 1u) << "the window is there";
        idle(40);
        EXPECT_EQ(seen.size(), 1u) << "one message";
        EXPECT_TRUE(boxesShown().empty()) << "and it was closed";
        host.dispatch(vst::effEditClose);
        EXPECT_EQ(childWindows(), 0u);
        fs::remove_all(stored());
    }

    TestHost host;
    Display* dpy = nullptr;
    Window parent = 0;
    fs::path configDir;
    std::function<void()> onHostIdle;
    std::set<Window> seen;
    bool closeBoxes = true;
};

TEST_F(LoadedEditorGuiTest, AnUnreadableSampleBaseOpensTheWindowWithOneMessage) {
    std::ofstream(stored()) << "/" << std::string(300, 'p') << "\n";
    opensAndSaysSoOnce("a stored path over 259 characters");
    fs::create_directories(stored());
    opensAndSaysSoOnce("the settings path is a folder");
    std::ofstream(stored()) << std::string(std::size_t{70} * 1024, '/');
    opensAndSaysSoOnce("a file over the size limit");
    std::ofstream(stored()) << "/tmp\n";
    ::chmod(stored().c_str(), 0);
    {
        WithoutFileOverride noOverride;
        ASSERT_TRUE(WithoutFileOverride::permissionsHold());
        opensAndSaysSoOnce("no read permission");
    }
    // A readable setting: no message.
    std::ofstream(stored()) << "/tmp\n";
    seen.clear();
    ASSERT_EQ(editOpen(), 1);
    idle(20);
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
    idle(20);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(childWindows(), 0u);
    EXPECT_TRUE(boxesShown().empty()) << "the message went with the editor";
    // The instance lives on and opens again.
    closeBoxes = true;
    onHostIdle = [this] { look(); };
    ASSERT_EQ(editOpen(), 1);
    idle(20);
    EXPECT_EQ(childWindows(), 1u);
}

} // namespace
} // namespace quovent::test
