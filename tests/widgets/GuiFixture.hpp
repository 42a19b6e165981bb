// Fixture for GUI tests: a plain X11 top-level window stands in for the host's window, the
// frame is opened inside it on its own connection, and the test moves the real pointer and
// presses real buttons and keys (XInput) on a second connection. The test drives the frame
// as a host does: idle() with a zero timeout in a loop; the controls' own loops call the
// host's modal idle, which serves the frame and plays the next step of the input's script.
#pragma once

#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

#include <gtest/gtest.h>

// After gtest and the toolkit: Xlib defines macros such as None and Status.
#include "tests/support/XInput.hpp"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace quovent::test {

namespace mouse = platform::mouse;

class GuiHost : public FrameHost {
public:
    void doIdle() override {
        ++idles;
        if (frame != nullptr && *frame) {
            (*frame)->idle();
        }
        if (input != nullptr) {
            input->step();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void beginEdit(int tag) override { edits.push_back("begin " + std::to_string(tag)); }
    void endEdit(int tag) override { edits.push_back("end " + std::to_string(tag)); }
    bool onKeyDown(const platform::KeyEvent& key) override {
        keys.push_back(key);
        return true;
    }

    std::unique_ptr<FrameWindow>* frame = nullptr;
    // Whose script the modal idles play.
    XInput* input = nullptr;
    int idles = 0;
    std::vector<std::string> edits;
    std::vector<platform::KeyEvent> keys;
};

class GuiTest : public ::testing::Test {
protected:
    static constexpr Rect kFrameRect{0, 0, 640, 480};

    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display (the test suite runs these under xvfb-run)";
        }
        dpy = XInput::openDisplay();
        ASSERT_NE(dpy, nullptr);
        ASSERT_TRUE(XInput::hasXTest(dpy));
        const int screen = DefaultScreen(dpy);
        parent = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 700, 560, 0,
                                     BlackPixel(dpy, screen), WhitePixel(dpy, screen));
        XSelectInput(dpy, parent, StructureNotifyMask);
        XMapWindow(dpy, parent);
        for (XEvent e;;) {
            XNextEvent(dpy, &e);
            if (e.type == MapNotify) {
                break;
            }
        }
        host.frame = &frame;
        host.input = &input;
        frame = FrameWindow::open(platform::createNativeWindowSystem(), host, parent, kFrameRect,
                                  background());
        ASSERT_NE(frame, nullptr);
        input = XInput(
            dpy,
            [this](Point p) {
                return XInput::windowToScreen(
                    dpy, static_cast<Window>(frame->window().nativeHandle()), p);
            },
            [this] { frame->idle(); }, std::chrono::seconds(2));
        input.pump(5);
    }

    void TearDown() override {
        if (dpy == nullptr) {
            return;
        }
        input.releaseAll();
        frame.reset();
        if (parent != 0) {
            XDestroyWindow(dpy, parent);
        }
        XCloseDisplay(dpy);
    }

    virtual BitmapPtr background();

    // Frame coordinates to the screen.
    Point screen(Point p) const { return input.screen(p); }

    // A press at a frame point with the script to play while the control tracks it. A
    // control without a loop of its own returns at once; the script then goes on from here
    // once the press has surely arrived.
    void press(Point at, XInput::Script steps, unsigned b = 1) {
        ASSERT_TRUE(input.press(at, std::move(steps), b)) << "script stalled";
    }
    void click(Point at, unsigned b = 1) { press(at, {input.buttonStep(b, false)}, b); }

    // Writes the screen area (screen coordinates) to a PNG file.
    void saveScreen(Rect area, const std::string& path);

    Display* dpy = nullptr;
    Window parent = 0;
    GuiHost host;
    std::unique_ptr<FrameWindow> frame;
    XInput input;
};

} // namespace quovent::test
