// The window-system interface: windows, the event pump, the mouse state, time. The host
// drives the pump: serveEvents never waits, so the editor calls it from the host's idle and
// from its own modal loops. One window system per open editor, used from one thread only.
//
// Scale: the system makes its windows at the scale set with setScale (100 % until then), and
// every rectangle and point it takes or gives is in units of that scale, screen coordinates
// included (a 2560-pixel wide screen is 1280 units wide at 200 %). A backend applies the
// scale itself: it multiplies when it creates, draws and exposes, and divides the pointer.
#pragma once

#include "platform/NativeDialogs.hpp"
#include "platform/Window.hpp"

#include <cstdint>
#include <memory>
#include <string_view>

namespace quovent::platform {

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The scale of the windows made from now on and the unit of screen coordinates.
    virtual void setScale(Scale scale) = 0;
    virtual Scale scale() const = 0;
    // The scale the user gave the desktop for programs (1.0 at 96 dots per inch, 2.0 for
    // "200 %"), as the display reports it; 1 when it says nothing. Not rounded to anything.
    virtual double desktopScale() = 0;

    // A child window of the host's window at rect (units, relative to the parent), shown at
    // once.
    virtual std::unique_ptr<Window> createChild(NativeWindow parent, Rect rect,
                                                WindowHandler& handler) = 0;
    // An undecorated pop-up window at rect (screen coordinates), not yet shown.
    virtual std::unique_ptr<Window> createPopup(Rect rect, WindowHandler& handler) = 0;
    // A decorated dialog window kept above the owner's top-level window, not yet shown.
    virtual std::unique_ptr<Window> createDialog(Window* owner, Rect rect, std::string_view title,
                                                 WindowHandler& handler) = 0;

    // Dispatches every event already pending, without waiting. Returns the number of
    // events dispatched, or -1 once the connection is lost.
    virtual int serveEvents() = 0;
    virtual bool isConnected() const = 0;
    // The connection's file descriptor, for a host that serves the editor from its own run
    // loop when the descriptor is readable (VST 3 on Linux); -1 where events come otherwise.
    virtual int connectionFd() const { return -1; }

    // Pressed mouse buttons and modifiers (platform::mouse bits), read now. 0 when the
    // connection is lost, so that every tracking loop ends.
    virtual unsigned mouseButtons() = 0;
    // The whole screen in screen coordinates.
    virtual Rect screenBounds() = 0;

    // Monotonic milliseconds; wraps after 49 days.
    virtual std::uint32_t tickCount() = 0;
    virtual void sleep(int milliseconds) = 0;

    // The system's own dialogs, or null where the toolkit's (or the desktop's) are used.
    virtual NativeDialogs* dialogs() { return nullptr; }
};

// The window system of this platform's display server, or null when no display can be
// opened (no DISPLAY, server unreachable).
std::unique_ptr<WindowSystem> createNativeWindowSystem();
// Whether this build has a window-system backend at all (a display may still be missing at
// run time). Without one the instrument runs without its window and tells the host so.
bool hasNativeWindowSystem();

} // namespace quovent::platform
