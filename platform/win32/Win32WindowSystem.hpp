// The window system on Win32: the frame as a WS_CHILD window of the host's HWND, pop-up menus
// as top-most pop-up windows, dialogs as windows owned by the host's top-level window. One
// window class per module instance, registered with the first window and unregistered with
// the last. serveEvents pumps every message of the thread (the host's windows included), as
// a modal loop on Windows must, and never waits. OLE is initialised for the drop target the
// first time one is asked for and released when the system goes. Editor thread only.
#pragma once

#include "platform/WindowSystem.hpp"

#include <windows.h>

#include <memory>

namespace quovent::platform::win32 {

class Win32Window;
class FontCache;

class Win32WindowSystem final : public WindowSystem {
public:
    Win32WindowSystem();
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

    void setScale(Scale scale) override { scale_ = scale; }
    Scale scale() const override { return scale_; }
    // The primary monitor's DPI over 96 (GetDpiForMonitor where the system has it, else the
    // screen's LOGPIXELSX).
    double desktopScale() override;
    std::unique_ptr<Window> createChild(NativeWindow parent, Rect rect,
                                        WindowHandler& handler) override;
    std::unique_ptr<Window> createPopup(Rect rect, WindowHandler& handler) override;
    std::unique_ptr<Window> createDialog(Window* owner, Rect rect, std::string_view title,
                                         WindowHandler& handler) override;
    int serveEvents() override;
    bool isConnected() const override { return true; }
    // GetAsyncKeyState reads the physical buttons: with swapped buttons the physical left
    // is the logical right.
    unsigned mouseButtons() override;
    Rect screenBounds() override;
    std::uint32_t tickCount() override;
    void sleep(int milliseconds) override;
    NativeDialogs* dialogs() override;

    // OLE for drop targets on this thread; false when the thread cannot have it.
    bool ensureOle();
    FontCache& fonts() noexcept { return *fonts_; }
    // The window that takes keys while it holds the input (an open menu), or null.
    Win32Window* keyboardGrab() const noexcept { return keyboardGrab_; }
    void setKeyboardGrab(Win32Window* window) noexcept { keyboardGrab_ = window; }

    // The window class name of this module (one per loaded copy of the library).
    static const wchar_t* className();
    // Number of windows of the class alive in this module; 0 once the class is gone.
    static int liveWindows();
    // Counts a window of the class down; the class goes with the module's last window, so a
    // library unloaded afterwards leaves no class pointing into its freed code.
    static void windowGone();

private:
    std::unique_ptr<Win32Window> make(DWORD exStyle, DWORD style, Rect pixels, HWND parent,
                                      WindowHandler& handler, int kind, Rect units,
                                      const wchar_t* title);

    Scale scale_;
    std::unique_ptr<FontCache> fonts_;
    std::unique_ptr<NativeDialogs> dialogs_;
    Win32Window* keyboardGrab_ = nullptr;
    bool oleInitialised_ = false;
    bool oleRefused_ = false;
};

} // namespace quovent::platform::win32
