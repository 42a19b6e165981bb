// One X11 window of the toolkit with its cairo canvas and, when it is a drop target, the
// receiving side of the XDND protocol.
#pragma once

#include "platform/Window.hpp"
#include "platform/linux/CairoCanvas.hpp"
#include "platform/linux/XdndTarget.hpp"

#include <X11/Xlib.h>
#include <memory>

namespace quovent::platform::linux_x11 {

class X11WindowSystem;

class X11Window final : public Window {
public:
    enum Kind { kChild, kPopup, kDialog };

    // rect: the window's place in units; scale: its pixels per unit.
    X11Window(X11WindowSystem& system, ::Window id, Rect rect, WindowHandler& handler, Kind kind,
              Scale scale);
    ~X11Window() override;
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    NativeWindow nativeHandle() const override { return id_; }
    Rect bounds() const override { return {0, 0, size_.width(), size_.height()}; }
    Scale scale() const override { return scale_; }
    void show() override;
    void hide() override;
    void invalidate(Rect area) override;
    Canvas& canvas() override;
    Point pointer() override;
    Point toScreen(Point p) override;
    void takeFocus() override;
    bool grabInput() override;
    void releaseInput() override;
    void discardMouseEvents() override;
    void setDropTarget(bool on) override;
    bool isAlive() const override;

    // Called by the window system for every event of this window.
    void handle(XEvent& event);
    WindowHandler& handler() noexcept { return handler_; }
    ::Window id() const noexcept { return id_; }
    // A point in the window's pixels as units.
    Point toUnits(Point pixels) const noexcept { return scale_.toUnits(pixels); }
    // The window's size in pixels.
    Point pixelSize() const noexcept;

private:
    void deliver(const Event& event);
    Event keyEvent(XKeyEvent& key, EventType type);
    // Copies part of the back buffer (pixels) to the window.
    void present(Rect area);

    X11WindowSystem& system_;
    ::Window id_;
    Rect size_;
    WindowHandler& handler_;
    Kind kind_;
    Scale scale_;
    std::unique_ptr<CairoCanvas> canvas_; // the back buffer, in memory
    GC gc_ = nullptr;
    std::unique_ptr<XdndTarget> dnd_;
    Rect exposed_;      // pixels
    Point lastPointer_; // units
    bool destroyed_ = false;
    bool mapped_ = false;
    bool focusWhenMapped_ = false;
    bool grabbed_ = false;
};

} // namespace quovent::platform::linux_x11
