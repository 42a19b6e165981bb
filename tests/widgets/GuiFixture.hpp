// Fixture for GUI tests: a plain X11 top-level window stands in for the host's window, the
// frame is opened inside it on its own connection, and the test moves the real pointer and
// presses real buttons and keys through XTest on a second connection. The test drives the
// frame as a host does: idle() with a zero timeout in a loop; the controls' own loops call
// the host's modal idle, which serves the frame and plays the next step of a script.
#pragma once

#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

#include <gtest/gtest.h>

// After gtest and the toolkit: Xlib defines macros such as None and Status.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace quovent::test {

namespace mouse = platform::mouse;

class GuiHost : public FrameHost {
public:
    // A step returns true when done; the next modal idle then runs the following one.
    using Step = std::function<bool()>;

    void doIdle() override {
        ++idles;
        if (frame != nullptr && *frame) {
            (*frame)->idle();
        }
        step();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void step() {
        if (!script.empty() && script.front()()) {
            script.pop_front();
        }
    }
    void beginEdit(int tag) override { edits.push_back("begin " + std::to_string(tag)); }
    void endEdit(int tag) override { edits.push_back("end " + std::to_string(tag)); }
    bool onKeyDown(const platform::KeyEvent& key) override {
        keys.push_back(key);
        return true;
    }

    std::unique_ptr<FrameWindow>* frame = nullptr;
    std::deque<Step> script;
    int idles = 0;
    std::vector<std::string> edits;
    std::vector<platform::KeyEvent> keys;
};

// A busy X server refuses a connection now and then (EAGAIN); try a few times.
inline Display* openDisplay(const char* name) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (Display* d = XOpenDisplay(name)) {
            return d;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

class GuiTest : public ::testing::Test {
protected:
    static constexpr Rect kFrameRect{0, 0, 640, 480};

    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display (the test suite runs these under xvfb-run)";
        }
        dpy = openDisplay(nullptr);
        ASSERT_NE(dpy, nullptr);
        int eventBase = 0;
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        ASSERT_TRUE(XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor));
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
        frame = FrameWindow::open(platform::createNativeWindowSystem(), host, parent, kFrameRect,
                                  background());
        ASSERT_NE(frame, nullptr);
        pump(5);
    }

    void TearDown() override {
        if (dpy == nullptr) {
            return;
        }
        for (int b = 1; b <= 3; ++b) {
            XTestFakeButtonEvent(dpy, static_cast<unsigned>(b), False, CurrentTime);
        }
        for (KeySym k : {XK_Shift_L, XK_Control_L, XK_Alt_L}) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), False, CurrentTime);
        }
        XSync(dpy, False);
        frame.reset();
        if (parent != 0) {
            XDestroyWindow(dpy, parent);
        }
        XCloseDisplay(dpy);
    }

    virtual BitmapPtr background();

    // Frame coordinates to the screen.
    Point screen(Point p) {
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(dpy, static_cast<Window>(frame->window().nativeHandle()),
                              DefaultRootWindow(dpy), p.x, p.y, &x, &y, &child);
        return {x, y};
    }
    void moveToScreen(Point s) {
        XTestFakeMotionEvent(dpy, -1, s.x, s.y, CurrentTime);
        XSync(dpy, False);
    }
    void move(Point framePoint) { moveToScreen(screen(framePoint)); }
    void button(unsigned b, bool down) {
        XTestFakeButtonEvent(dpy, b, down ? True : False, CurrentTime);
        XSync(dpy, False);
    }
    void key(KeySym sym, bool down) {
        XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), down ? True : False, CurrentTime);
        XSync(dpy, False);
    }
    void tap(KeySym sym) {
        key(sym, true);
        key(sym, false);
    }

    // Script steps.
    GuiHost::Step moveStep(Point p) {
        return [this, p] {
            move(p);
            return true;
        };
    }
    GuiHost::Step buttonStep(unsigned b, bool down) {
        return [this, b, down] {
            button(b, down);
            return true;
        };
    }
    GuiHost::Step waitFor(std::function<bool()> condition) { return condition; }

    // Serves the frame as the host's idle does, n times.
    void pump(int n) {
        for (int i = 0; i < n; ++i) {
            frame->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // Serves the frame until the condition holds or two seconds pass.
    bool pumpUntil(const std::function<bool()>& condition) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            frame->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // A press at a frame point with the script to play while the control tracks it. A
    // control without a loop of its own returns at once; the script then goes on from here
    // once the press has surely arrived.
    void press(Point at, std::deque<GuiHost::Step> steps, unsigned b = 1) {
        move(at);
        host.script = std::move(steps);
        button(b, true);
        int idles = 0;
        ASSERT_TRUE(pumpUntil([&] {
            if (++idles > 10) {
                host.step();
            }
            return host.script.empty();
        })) << "script stalled";
        pump(3);
    }
    void click(Point at, unsigned b = 1) { press(at, {buttonStep(b, false)}, b); }

    // A click as a touchpad tap or `xdotool click` makes it: the modifier keys held around
    // a press and a release that both reach the editor before the host's next idle, which
    // then comes once. The keys are up again by then too.
    void quickClick(Point at, unsigned b = 1, std::initializer_list<KeySym> modifiers = {}) {
        move(at);
        for (KeySym k : modifiers) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), True, CurrentTime);
        }
        XTestFakeButtonEvent(dpy, b, True, CurrentTime);
        XTestFakeButtonEvent(dpy, b, False, CurrentTime);
        for (KeySym k : modifiers) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), False, CurrentTime);
        }
        XSync(dpy, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(kSlowIdleMs));
        frame->idle();
    }
    // The gap between two idles of a host that idles at 30 Hz.
    static constexpr int kSlowIdleMs = 33;

    // Writes the screen area (screen coordinates) to a PNG file.
    void saveScreen(Rect area, const std::string& path);

    Display* dpy = nullptr;
    Window parent = 0;
    GuiHost host;
    std::unique_ptr<FrameWindow> frame;
};

} // namespace quovent::test
