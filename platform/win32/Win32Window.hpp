// One Win32 window of the toolkit: its window procedure turns messages into toolkit events,
// its back buffer is a 32-bit DIB section drawn by a GdiCanvas and copied to the screen on
// flush and in WM_PAINT (the background is never erased, so nothing flickers).
#pragma once

#include "platform/Window.hpp"

#include <windows.h>

#include <memory>

namespace quovent::platform::win32 {

class Win32WindowSystem;
class GdiCanvas;
class OleDropTarget;

class Win32Window final : public Window {
public:
    enum Kind { kChild, kPopup, kDialog };

    Win32Window(Win32WindowSystem& system, Rect units, WindowHandler& handler, Kind kind,
                Scale scale);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Called once CreateWindowEx has answered; false leaves the object without a window.
    void attach(HWND hwnd) noexcept { hwnd_ = hwnd; }

    NativeWindow nativeHandle() const override { return reinterpret_cast<NativeWindow>(hwnd_); }
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

    HWND hwnd() const noexcept { return hwnd_; }
    WindowHandler& handler() noexcept { return handler_; }
    // A client pixel as units of this window.
    Point toUnits(Point pixels) const noexcept { return scale_.toUnits(pixels); }

    // The class's window procedure: finds the object through GWLP_USERDATA.
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void deliver(const Event& event);
    void mouseButton(UINT message, WPARAM wParam, LPARAM lParam);
    void keyMessage(UINT message, WPARAM wParam);
    void paintMessage();
    // Copies pixels of the back buffer (window pixels) to the screen.
    void present(Rect area);
    void ensureBuffer();
    void releaseBuffer();

    Win32WindowSystem& system_;
    HWND hwnd_ = nullptr;
    Rect size_; // units
    WindowHandler& handler_;
    Kind kind_;
    Scale scale_;
    HBITMAP buffer_ = nullptr;
    HDC bufferDc_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    std::unique_ptr<GdiCanvas> canvas_;
    OleDropTarget* dropTarget_ = nullptr; // COM reference counted; ours is released on revoke
    Point lastPointer_;
    bool destroyed_ = false;
    bool destroying_ = false;
    bool captured_ = false;
    bool grabbed_ = false;
};

} // namespace quovent::platform::win32
