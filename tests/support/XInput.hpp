// Real pointer and key input for the GUI tests, and the host idles that let the window under
// test see it. Events go through the XTest extension on a connection of the test's own, so
// they reach the window as a user's would; points are in the coordinates of the window under
// test, turned into screen pixels by the fixture's mapping.
//
// A press may carry a script: steps played one per host idle while the pressed control
// tracks the pointer in a loop of its own (that loop calls the host's idle, whose handler
// calls step()), or from this object's own idles when the control has no loop. Steps can
// move the pointer, press and release, type keys, wait for a menu or dialog, or look at the
// window in between.
//
// X11 only. Every call on the test's thread. Include after gtest and the toolkit's headers:
// Xlib defines macros such as None and Status.
#pragma once

#include "platform/Geometry.hpp"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <deque>
#include <functional>
#include <initializer_list>

namespace quovent::test {

class XInput {
public:
    // A step of a script: true when done, and the next one plays from the following idle.
    using Step = std::function<bool()>;
    using Script = std::deque<Step>;
    // A point of the window under test to the screen's pixels.
    using ToScreen = std::function<Point(Point)>;
    // One idle of the host: what makes the window serve the events sent to it.
    using Idle = std::function<void()>;

    // The gap between two idles of a host that idles at 30 Hz.
    static constexpr std::chrono::milliseconds kSlowHostIdle{33};
    // What a host's event loop takes per turn besides its idle call.
    static constexpr std::chrono::milliseconds kIdleGap{2};
    // Idles a press waits for the control's own loop to play its script before playing it
    // itself.
    static constexpr int kIdlesBeforePlaying = 10;
    // Idles after a press's script, for what the last step started to settle.
    static constexpr int kIdlesAfterPress = 3;

    XInput() = default;
    // Input on `display` (which the caller keeps open); `toScreen` may be empty when points
    // are screen pixels already, `idle` when nothing is to be served. `patience` is how long
    // pumpUntil() and press() wait.
    XInput(Display* display, ToScreen toScreen, Idle idle,
           std::chrono::milliseconds patience = std::chrono::seconds(5));

    // A connection to the display `name` (nullptr: $DISPLAY). A busy or just started X
    // server refuses one now and then, so this tries a few times.
    static Display* openDisplay(const char* name = nullptr, int attempts = 20,
                                std::chrono::milliseconds between = std::chrono::milliseconds(10));
    static bool hasXTest(Display* display);
    // A point of `window` on the screen.
    static Point windowToScreen(Display* display, Window window, Point p);

    Display* display() const { return display_; }
    Point screen(Point p) const { return toScreen_ ? toScreen_(p) : p; }

    // Immediate input, synchronised with the server before returning.
    void moveToScreen(Point pixels) const;
    void move(Point p) const { moveToScreen(screen(p)); }
    void button(unsigned b, bool down) const;
    void clickOnScreen(Point pixels, unsigned b = 1) const; // moves there, presses, releases
    void key(KeySym sym, bool down) const;
    void tap(KeySym sym) const; // down and up
    // Every button and the modifier keys up, whatever a failed test left held (nothing
    // without a display).
    void releaseAll() const;
    void sync() const;

    // Script steps of the above.
    Step moveStep(Point p) const;
    Step buttonStep(unsigned b, bool down) const;
    Step keyStep(KeySym sym, bool down) const;
    // Done at the n-th idle after the previous step: a person holding still for a moment.
    static Step waitIdles(int n);

    // The script the host's idles play, replacing any left.
    void play(Script steps) { script_ = std::move(steps); }
    // Plays the script's next step: call from the host's idle handler.
    void step();
    bool scriptDone() const { return script_.empty(); }

    // The host's idle, n times.
    void pump(int n) const;
    // The host's idle until the condition holds (checked before each); false when it still
    // does not after the patience ran out.
    bool pumpUntil(const std::function<bool()>& condition) const;

    // Presses button `b` at `at` and plays `steps` while the control tracks it (the last
    // usually releases); returns false when the script stalled. Drags are presses whose steps
    // move the pointer.
    [[nodiscard]] bool press(Point at, Script steps, unsigned b = 1);
    [[nodiscard]] bool click(Point at, unsigned b = 1) {
        return press(at, {buttonStep(b, false)}, b);
    }
    // A click as a touchpad tap or `xdotool click` makes it: the modifier keys held around a
    // press and a release that all reach the window before the host's next idle, which then
    // comes once, a slow host's idle later. The keys are up again by then too.
    void quickClick(Point at, unsigned b = 1, std::initializer_list<KeySym> modifiers = {});

private:
    Display* display_ = nullptr;
    ToScreen toScreen_;
    Idle idle_;
    std::chrono::milliseconds patience_{std::chrono::seconds(5)};
    Script script_;
};

} // namespace quovent::test
