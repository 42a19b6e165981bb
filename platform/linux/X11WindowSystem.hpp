// The window system on X11: one Display connection of its own per editor, windows made as
// children of the host's window (a plain XCreateWindow with the parent's id, _XEMBED_INFO
// set so XEmbed hosts map it), pop-ups (override-redirect) and transient dialogs. Events are
// read without waiting. X errors on our connection (a window destroyed by the host under us)
// are swallowed; a lost connection marks the system broken instead of ending the process.
#pragma once

#include "platform/WindowSystem.hpp"

#include <X11/Xlib.h>
#include <memory>
#include <unordered_map>

namespace quovent::platform::linux_x11 {

class X11Window;

struct Atoms {
    Atom wmProtocols, wmDeleteWindow, xembedInfo, netWmName, utf8String, netWmWindowType,
        netWmWindowTypeDialog, netWmWindowTypePopupMenu, xdndAware, xdndEnter, xdndPosition,
        xdndStatus, xdndLeave, xdndDrop, xdndFinished, xdndSelection, xdndTypeList, xdndActionCopy,
        textUriList, textPlain, textPlainUtf8, dropProperty, incr;
};

class X11WindowSystem final : public WindowSystem {
public:
    // Null when the display cannot be opened.
    static std::unique_ptr<X11WindowSystem> open(const char* displayName = nullptr);
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    void setScale(Scale scale) override { scale_ = scale; }
    Scale scale() const override { return scale_; }
    // Xft.dpi from the server's resource database (what xrdb loaded), else GDK_SCALE, else
    // QT_SCALE_FACTOR from the environment.
    double desktopScale() override;
    std::unique_ptr<Window> createChild(NativeWindow parent, Rect rect,
                                        WindowHandler& handler) override;
    std::unique_ptr<Window> createPopup(Rect rect, WindowHandler& handler) override;
    std::unique_ptr<Window> createDialog(Window* owner, Rect rect, std::string_view title,
                                         WindowHandler& handler) override;
    int serveEvents() override;
    bool isConnected() const override { return !broken_; }
    int connectionFd() const override;
    unsigned mouseButtons() override;
    Rect screenBounds() override;
    std::uint32_t tickCount() override;
    void sleep(int milliseconds) override;

    Display* display() const noexcept { return display_; }
    ::Window root() const noexcept { return root_; }
    const Atoms& atoms() const noexcept { return atoms_; }
    // Number of X errors our connection has had; compare before and after a request
    // (after XSync) to see whether it failed.
    unsigned long errorCount() const noexcept { return errors_; }
    void sync();

    // How the screen stores a pixel. direct: 32 bits per pixel with red, green and blue in
    // the bytes cairo uses, so the back buffer goes to the server unchanged.
    struct PixelFormat {
        Visual* visual = nullptr;
        int depth = 24;
        bool direct = false;
        unsigned long redMask = 0xFF0000;
        unsigned long greenMask = 0xFF00;
        unsigned long blueMask = 0xFF;
        // A cairo xRGB pixel in the screen's format.
        unsigned long pixel(std::uint32_t rgb) const noexcept;
    };
    const PixelFormat& pixelFormat() const noexcept { return format_; }

    void forget(::Window id);
    // Maps X modifier and button state to mouse:: bits.
    static unsigned mapState(unsigned int state) noexcept;

private:
    explicit X11WindowSystem(Display* display);
    std::unique_ptr<X11Window> adopt(::Window id, Rect rect, WindowHandler& handler, int kind);
    void dispatch(XEvent& event);
    // A window's place in pixels for its place in units.
    Rect windowPixels(Rect units) const noexcept;

    static int onError(Display* display, XErrorEvent* error);
    static void onIoError(Display* display, void* self);

    Display* display_;
    ::Window root_;
    Atoms atoms_{};
    PixelFormat format_;
    Scale scale_;
    bool broken_ = false;
    unsigned long errors_ = 0;
    std::unordered_map<::Window, X11Window*> windows_;
};

} // namespace quovent::platform::linux_x11
