// X11 connection, window creation, event pump and error handling.
#include "platform/linux/X11WindowSystem.hpp"

#include "platform/DesktopScale.hpp"
#include "platform/Event.hpp"
#include "platform/linux/X11Window.hpp"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <unordered_map>

namespace quovent::platform {

std::unique_ptr<WindowSystem> createNativeWindowSystem() {
    return linux_x11::X11WindowSystem::open();
}

bool hasNativeWindowSystem() {
    return true;
}

} // namespace quovent::platform

namespace quovent::platform::linux_x11 {
namespace {

// Xlib's error handlers are process-wide. Ours are installed while at least one of our
// connections is open; they take the errors of our connections and hand every other one
// to whatever handler was there before (the host's), so the host sees no difference.
struct HandlerState {
    std::mutex mutex;
    std::unordered_map<Display*, X11WindowSystem*> systems;
    XErrorHandler previousError = nullptr;
    XIOErrorHandler previousIo = nullptr;
};

HandlerState& handlers() {
    static HandlerState state;
    return state;
}

int onIoErrorGlobal(Display* display) {
    XIOErrorHandler previous = nullptr;
    {
        HandlerState& h = handlers();
        std::lock_guard lock(h.mutex);
        if (h.systems.count(display) != 0) {
            return 0; // ours: the per-display exit handler marks it broken and returns
        }
        previous = h.previousIo;
    }
    return previous != nullptr ? previous(display) : 0;
}

// Events handled per serveEvents call at most, so a flood cannot hold the host's thread.
constexpr int kMaxEventsPerServe = 512;

} // namespace

int X11WindowSystem::onError(Display* display, XErrorEvent* error) {
    XErrorHandler previous = nullptr;
    {
        HandlerState& h = handlers();
        std::lock_guard lock(h.mutex);
        auto it = h.systems.find(display);
        if (it != h.systems.end()) {
            ++it->second->errors_;
            return 0;
        }
        previous = h.previousError;
    }
    return previous != nullptr ? previous(display, error) : 0;
}

void X11WindowSystem::onIoError(Display* /*display*/, void* self) {
    // The connection is gone. Returning keeps the process alive; every later call checks
    // broken_ first and no longer talks to the server.
    static_cast<X11WindowSystem*>(self)->broken_ = true;
}

std::unique_ptr<X11WindowSystem> X11WindowSystem::open(const char* displayName) {
    // A busy server refuses a connection now and then (the connect fails with EAGAIN while
    // its queue of waiting clients is full); a few quick retries get through.
    constexpr int kAttempts = 20;
    Display* display = nullptr;
    for (int attempt = 0; attempt < kAttempts && display == nullptr; ++attempt) {
        if (attempt > 0) {
            const timespec pause{0, 10L * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
        display = XOpenDisplay(displayName);
    }
    if (display == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<X11WindowSystem>(new X11WindowSystem(display));
}

X11WindowSystem::X11WindowSystem(Display* display)
    : display_(display), root_(DefaultRootWindow(display)) {
    {
        HandlerState& h = handlers();
        std::lock_guard lock(h.mutex);
        if (h.systems.empty()) {
            h.previousError = XSetErrorHandler(&X11WindowSystem::onError);
            h.previousIo = XSetIOErrorHandler(&onIoErrorGlobal);
        }
        h.systems[display_] = this;
    }
    XSetIOErrorExitHandler(display_, &X11WindowSystem::onIoError, this);

    const char* names[] = {"WM_PROTOCOLS",
                           "WM_DELETE_WINDOW",
                           "_XEMBED_INFO",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "_NET_WM_WINDOW_TYPE",
                           "_NET_WM_WINDOW_TYPE_DIALOG",
                           "_NET_WM_WINDOW_TYPE_POPUP_MENU",
                           "XdndAware",
                           "XdndEnter",
                           "XdndPosition",
                           "XdndStatus",
                           "XdndLeave",
                           "XdndDrop",
                           "XdndFinished",
                           "XdndSelection",
                           "XdndTypeList",
                           "XdndActionCopy",
                           "text/uri-list",
                           "text/plain",
                           "text/plain;charset=utf-8",
                           "QUOVENT_DROP",
                           "INCR"};
    const int screen = DefaultScreen(display_);
    format_.visual = DefaultVisual(display_, screen);
    format_.depth = DefaultDepth(display_, screen);
    format_.redMask = format_.visual->red_mask;
    format_.greenMask = format_.visual->green_mask;
    format_.blueMask = format_.visual->blue_mask;
    int formats = 0;
    XPixmapFormatValues* list = XListPixmapFormats(display_, &formats);
    int bitsPerPixel = 0;
    for (int i = 0; i < formats; ++i) {
        if (list[i].depth == format_.depth) {
            bitsPerPixel = list[i].bits_per_pixel;
        }
    }
    if (list != nullptr) {
        XFree(list);
    }
    format_.direct = bitsPerPixel == 32 && (format_.depth == 24 || format_.depth == 32) &&
                     format_.redMask == 0xFF0000 && format_.greenMask == 0xFF00 &&
                     format_.blueMask == 0xFF;

    constexpr int kCount = sizeof(names) / sizeof(names[0]);
    static_assert(sizeof(Atoms) == kCount * sizeof(Atom), "one name per atom");
    Atom values[kCount];
    XInternAtoms(display_, const_cast<char**>(names), kCount, False, values); // NOLINT
    Atom* out = &atoms_.wmProtocols;
    for (int i = 0; i < kCount; ++i) {
        out[i] = values[i]; // NOLINT: Atoms is a plain sequence of Atom fields
    }
}

X11WindowSystem::~X11WindowSystem() {
    if (!broken_) {
        XSync(display_, False);
    }
    XCloseDisplay(display_);
    HandlerState& h = handlers();
    std::lock_guard lock(h.mutex);
    h.systems.erase(display_);
    if (h.systems.empty()) {
        // Put the old handlers back, unless someone replaced ours meanwhile.
        XErrorHandler current = XSetErrorHandler(h.previousError);
        if (current != &X11WindowSystem::onError) {
            XSetErrorHandler(current);
        }
        XIOErrorHandler currentIo = XSetIOErrorHandler(h.previousIo);
        if (currentIo != &onIoErrorGlobal) {
            XSetIOErrorHandler(currentIo);
        }
    }
}

unsigned long X11WindowSystem::PixelFormat::pixel(std::uint32_t rgb) const noexcept {
    const auto scale = [rgb](int shift, unsigned long mask) {
        const unsigned long v = (rgb >> shift) & 0xFFu;
        if (mask == 0) {
            return 0UL;
        }
        int low = 0;
        while (((mask >> low) & 1u) == 0) {
            ++low;
        }
        const unsigned long top = mask >> low;
        return ((v * top + 127) / 255) << low;
    };
    return scale(16, redMask) | scale(8, greenMask) | scale(0, blueMask);
}

void X11WindowSystem::sync() {
    if (!broken_) {
        XSync(display_, False);
    }
}

void X11WindowSystem::forget(::Window id) {
    windows_.erase(id);
}

std::unique_ptr<X11Window> X11WindowSystem::adopt(::Window id, Rect rect, WindowHandler& handler,
                                                  int kind) {
    auto window = std::make_unique<X11Window>(*this, id, rect, handler,
                                              static_cast<X11Window::Kind>(kind), scale_);
    windows_[id] = window.get();
    return window;
}

Rect X11WindowSystem::windowPixels(Rect units) const noexcept {
    // The size as the window's canvas counts it (from its own origin), wherever it lies.
    const Point at = scale_.toPixels(units.origin());
    return Rect::sized(at.x, at.y, scale_.toPixels(units.width()), scale_.toPixels(units.height()));
}

namespace {
constexpr long kInputMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask |
                            KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
} // namespace

std::unique_ptr<Window> X11WindowSystem::createChild(NativeWindow parent, Rect rect,
                                                     WindowHandler& handler) {
    if (broken_ || parent == 0 || rect.empty()) {
        return nullptr;
    }
    const Rect pixels = windowPixels(rect);
    const unsigned long errorsBefore = errors_;
    XSetWindowAttributes a{};
    a.event_mask = kInputMask;
    // No background: the server leaves the pixels alone and we paint everything, so an
    // expose never flashes the window empty first.
    a.background_pixmap = None;
    const ::Window id = XCreateWindow(display_, static_cast<::Window>(parent), pixels.left,
                                      pixels.top, static_cast<unsigned>(pixels.width()),
                                      static_cast<unsigned>(pixels.height()), 0, CopyFromParent,
                                      InputOutput, CopyFromParent, CWEventMask | CWBackPixmap, &a);
    // XEmbed hosts map their client when it says so: version 0, flag XEMBED_MAPPED.
    const long xembed[2] = {0, 1};
    XChangeProperty(display_, id, atoms_.xembedInfo, atoms_.xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(xembed), 2);
    XMapWindow(display_, id);
    XSync(display_, False);
    if (broken_ || errors_ != errorsBefore) {
        // The parent id was not a window of this display.
        XDestroyWindow(display_, id);
        XSync(display_, False);
        return nullptr;
    }
    return adopt(id, rect, handler, X11Window::kChild);
}

std::unique_ptr<Window> X11WindowSystem::createPopup(Rect rect, WindowHandler& handler) {
    if (broken_ || rect.empty()) {
        return nullptr;
    }
    XSetWindowAttributes a{};
    a.event_mask = kInputMask | PointerMotionMask;
    a.override_redirect = True;
    a.save_under = True;
    a.background_pixmap = None;
    const Rect pixels = windowPixels(rect);
    const ::Window id = XCreateWindow(
        display_, root_, pixels.left, pixels.top, static_cast<unsigned>(pixels.width()),
        static_cast<unsigned>(pixels.height()), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWEventMask | CWOverrideRedirect | CWSaveUnder | CWBackPixmap, &a);
    XChangeProperty(display_, id, atoms_.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&atoms_.netWmWindowTypePopupMenu), 1);
    return adopt(id, rect, handler, X11Window::kPopup);
}

std::unique_ptr<Window> X11WindowSystem::createDialog(Window* owner, Rect rect,
                                                      std::string_view title,
                                                      WindowHandler& handler) {
    if (broken_ || rect.empty()) {
        return nullptr;
    }
    XSetWindowAttributes a{};
    a.event_mask = kInputMask | PointerMotionMask;
    a.background_pixmap = None;
    const Rect pixels = windowPixels(rect);
    const ::Window id = XCreateWindow(display_, root_, pixels.left, pixels.top,
                                      static_cast<unsigned>(pixels.width()),
                                      static_cast<unsigned>(pixels.height()), 0, CopyFromParent,
                                      InputOutput, CopyFromParent, CWEventMask | CWBackPixmap, &a);
    // Keep it above the host's top-level window that holds the editor.
    if (owner != nullptr) {
        ::Window w = static_cast<::Window>(owner->nativeHandle());
        for (int depth = 0; depth < 64; ++depth) {
            ::Window rootReturn = 0;
            ::Window parent = 0;
            ::Window* children = nullptr;
            unsigned int n = 0;
            if (XQueryTree(display_, w, &rootReturn, &parent, &children, &n) == 0) {
                break;
            }
            if (children != nullptr) {
                XFree(children);
            }
            if (parent == 0 || parent == rootReturn) {
                break;
            }
            w = parent;
        }
        XSetTransientForHint(display_, id, w);
    }
    const std::string name(title);
    XStoreName(display_, id, name.c_str());
    XChangeProperty(display_, id, atoms_.netWmName, atoms_.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()),
                    static_cast<int>(name.size()));
    XChangeProperty(display_, id, atoms_.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&atoms_.netWmWindowTypeDialog), 1);
    Atom protocols[] = {atoms_.wmDeleteWindow};
    XSetWMProtocols(display_, id, protocols, 1);
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
        hints->flags = USPosition | PPosition | PMinSize | PMaxSize;
        hints->x = pixels.left;
        hints->y = pixels.top;
        hints->min_width = hints->max_width = pixels.width();
        hints->min_height = hints->max_height = pixels.height();
        XSetWMNormalHints(display_, id, hints);
        XFree(hints);
    }
    XWMHints* wm = XAllocWMHints();
    if (wm != nullptr) {
        wm->flags = InputHint;
        wm->input = True;
        XSetWMHints(display_, id, wm);
        XFree(wm);
    }
    return adopt(id, rect, handler, X11Window::kDialog);
}

int X11WindowSystem::connectionFd() const {
    return broken_ ? -1 : ConnectionNumber(display_);
}

int X11WindowSystem::serveEvents() {
    if (broken_) {
        return -1;
    }
    int served = 0;
    // XPending flushes our requests and reads what has arrived, without waiting.
    while (!broken_ && served < kMaxEventsPerServe && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (broken_) {
            break;
        }
        dispatch(event);
        ++served;
    }
    if (!broken_) {
        XFlush(display_);
    }
    return broken_ ? -1 : served;
}

void X11WindowSystem::dispatch(XEvent& event) {
    const auto it = windows_.find(event.xany.window);
    if (it == windows_.end()) {
        return;
    }
    // Motion events pile up while we draw; only the newest position matters.
    if (event.type == MotionNotify) {
        while (XCheckTypedWindowEvent(display_, event.xany.window, MotionNotify, &event)) {
        }
    }
    it->second->handle(event);
}

unsigned X11WindowSystem::mapState(unsigned int state) noexcept {
    unsigned bits = 0;
    if ((state & Button1Mask) != 0) {
        bits |= mouse::kLeft;
    }
    if ((state & Button2Mask) != 0) {
        bits |= mouse::kMiddle;
    }
    if ((state & Button3Mask) != 0) {
        bits |= mouse::kRight;
    }
    if ((state & ShiftMask) != 0) {
        bits |= mouse::kShift;
    }
    if ((state & ControlMask) != 0) {
        bits |= mouse::kControl;
    }
    if ((state & Mod1Mask) != 0) {
        bits |= mouse::kAlt;
    }
    return bits;
}

unsigned X11WindowSystem::mouseButtons() {
    if (broken_) {
        return 0;
    }
    ::Window rootReturn = 0;
    ::Window child = 0;
    int rx = 0;
    int ry = 0;
    int wx = 0;
    int wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display_, root_, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask) ||
        broken_) {
        return 0;
    }
    return mapState(mask);
}

Rect X11WindowSystem::screenBounds() {
    const int screen = DefaultScreen(display_);
    // Whole units only: a menu kept inside these bounds stays on the screen.
    return {0, 0, scale_.toUnits(DisplayWidth(display_, screen)),
            scale_.toUnits(DisplayHeight(display_, screen))};
}

double X11WindowSystem::desktopScale() {
    std::string dpi;
    if (!broken_) {
        // The resource string as the server held it when we connected (xrdb -merge writes
        // it to the root window's RESOURCE_MANAGER property).
        if (const char* resources = XResourceManagerString(display_)) {
            XrmInitialize();
            XrmDatabase db = XrmGetStringDatabase(resources);
            char* type = nullptr;
            XrmValue value{};
            if (db != nullptr && XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) &&
                value.addr != nullptr) {
                dpi.assign(value.addr, value.size > 0 ? value.size - 1 : 0);
            }
            if (db != nullptr) {
                XrmDestroyDatabase(db);
            }
        }
    }
    return platform::desktopScaleFrom(dpi, std::getenv("GDK_SCALE"),
                                      std::getenv("QT_SCALE_FACTOR"));
}

std::uint32_t X11WindowSystem::tickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

void X11WindowSystem::sleep(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    timespec ts{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

} // namespace quovent::platform::linux_x11
