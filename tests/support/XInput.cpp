#include "tests/support/XInput.hpp"

#include <X11/extensions/XTest.h>

#include <thread>
#include <utility>

namespace quovent::test {

namespace {

constexpr unsigned kButtons = 3;
constexpr KeySym kModifiers[] = {XK_Shift_L, XK_Control_L, XK_Alt_L};

} // namespace

XInput::XInput(Display* display, ToScreen toScreen, Idle idle, std::chrono::milliseconds patience)
    : display_(display), toScreen_(std::move(toScreen)), idle_(std::move(idle)),
      patience_(patience) {}

Display* XInput::openDisplay(const char* name, int attempts, std::chrono::milliseconds between) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (Display* d = XOpenDisplay(name)) {
            return d;
        }
        std::this_thread::sleep_for(between);
    }
    return nullptr;
}

bool XInput::hasXTest(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) != False;
}

Point XInput::windowToScreen(Display* display, Window window, Point p) {
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), p.x, p.y, &x, &y, &child);
    return {x, y};
}

void XInput::sync() const {
    XSync(display_, False);
}

void XInput::moveToScreen(Point pixels) const {
    XTestFakeMotionEvent(display_, -1, pixels.x, pixels.y, CurrentTime);
    sync();
}

void XInput::button(unsigned b, bool down) const {
    XTestFakeButtonEvent(display_, b, down ? True : False, CurrentTime);
    sync();
}

void XInput::clickOnScreen(Point pixels, unsigned b) const {
    moveToScreen(pixels);
    button(b, true);
    button(b, false);
}

void XInput::key(KeySym sym, bool down) const {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, sym), down ? True : False, CurrentTime);
    sync();
}

void XInput::tap(KeySym sym) const {
    key(sym, true);
    key(sym, false);
}

void XInput::releaseAll() const {
    if (display_ == nullptr) {
        return;
    }
    for (unsigned b = 1; b <= kButtons; ++b) {
        XTestFakeButtonEvent(display_, b, False, CurrentTime);
    }
    for (const KeySym k : kModifiers) {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, k), False, CurrentTime);
    }
    sync();
}

XInput::Step XInput::moveStep(Point p) const {
    return [this, p] {
        move(p);
        return true;
    };
}

XInput::Step XInput::buttonStep(unsigned b, bool down) const {
    return [this, b, down] {
        button(b, down);
        return true;
    };
}

XInput::Step XInput::keyStep(KeySym sym, bool down) const {
    return [this, sym, down] {
        key(sym, down);
        return true;
    };
}

XInput::Step XInput::waitIdles(int n) {
    return [n, seen = 0]() mutable { return ++seen >= n; };
}

void XInput::step() {
    if (script_.empty()) {
        return;
    }
    // Taken off before it runs: a step may start a loop of its own (a menu, a dialog) whose
    // idles come back here, and they must go on with the steps after it.
    Step next = std::move(script_.front());
    script_.pop_front();
    if (!next()) {
        script_.push_front(std::move(next));
    }
}

void XInput::pump(int n) const {
    for (int i = 0; i < n; ++i) {
        if (idle_) {
            idle_();
        }
        std::this_thread::sleep_for(kIdleGap);
    }
}

bool XInput::pumpUntil(const std::function<bool()>& condition) const {
    const auto end = std::chrono::steady_clock::now() + patience_;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        pump(1);
    }
    return true;
}

bool XInput::press(Point at, Script steps, unsigned b) {
    move(at);
    play(std::move(steps));
    button(b, true);
    int idles = 0;
    const bool played = pumpUntil([&] {
        if (++idles > kIdlesBeforePlaying) {
            step();
        }
        return scriptDone();
    });
    if (played) {
        pump(kIdlesAfterPress);
    }
    return played;
}

void XInput::quickClick(Point at, unsigned b, std::initializer_list<KeySym> modifiers) {
    move(at);
    for (const KeySym k : modifiers) {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, k), True, CurrentTime);
    }
    XTestFakeButtonEvent(display_, b, True, CurrentTime);
    XTestFakeButtonEvent(display_, b, False, CurrentTime);
    for (const KeySym k : modifiers) {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, k), False, CurrentTime);
    }
    sync();
    std::this_thread::sleep_for(kSlowHostIdle);
    if (idle_) {
        idle_();
    }
}

} // namespace quovent::test
