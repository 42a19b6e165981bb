// One native window of a window system: the frame's child window, a pop-up menu or a dialog.
// Destroying the object destroys the native window. Editor thread only.
//
// A window has a scale, fixed when it is made (WindowSystem::setScale). Every coordinate
// the window takes or gives (bounds, invalidate, pointer, events, drops, its canvas) is in
// layout units; the window's pixels are its units times the scale. Screen coordinates
// (toScreen) are units of the window system's scale.
#pragma once

#include "platform/Canvas.hpp"
#include "platform/Event.hpp"
#include "platform/Geometry.hpp"

#include <cstdint>
#include <string_view>

namespace quovent::platform {

// A native window id (an X11 Window, later an HWND) carried as an integer.
using NativeWindow = std::uintptr_t;

class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual void onEvent(const Event& event) = 0;
    // Asked while a drag hovers over the window: would a drop of this type at the point
    // (window coordinates) be taken? The answer is shown to the user by the drag source.
    virtual bool acceptsDrop(Point /*where*/, int /*type*/) { return false; }
};

class Window {
public:
    virtual ~Window() = default;

    virtual NativeWindow nativeHandle() const = 0;
    // Size of the window in units, at (0, 0).
    virtual Rect bounds() const = 0;
    // Pixels per unit of this window and its canvas.
    virtual Scale scale() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Asks for a Paint event for the area (window coordinates).
    virtual void invalidate(Rect area) = 0;
    virtual Canvas& canvas() = 0;

    // Pointer position relative to the window, read now.
    virtual Point pointer() = 0;
    // Converts window coordinates to screen coordinates.
    virtual Point toScreen(Point p) = 0;
    virtual void takeFocus() = 0;
    // Routes all pointer and keyboard input to this window (pop-up menus). False when the
    // grab could not be had.
    virtual bool grabInput() = 0;
    virtual void releaseInput() = 0;
    // Drops the button events still queued for this window, so that clicks that closed a
    // menu reach no control.
    virtual void discardMouseEvents() = 0;
    // Makes the window a target for files and text dragged from other programs.
    virtual void setDropTarget(bool on) = 0;
    // False once the native window is gone or the connection to the display is lost.
    virtual bool isAlive() const = 0;
};

} // namespace quovent::platform
