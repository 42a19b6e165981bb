// X11 window: drawing surface, input events, focus, grabs, drop target.
#include "platform/linux/X11Window.hpp"

#include "platform/linux/X11WindowSystem.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cstdlib>

namespace quovent::platform::linux_x11 {

X11Window::X11Window(X11WindowSystem& system, ::Window id, Rect rect, WindowHandler& handler,
                     Kind kind)
    : system_(system), id_(id), size_(rect), handler_(handler), kind_(kind) {
    mapped_ = kind == kChild; // children are mapped on creation
}

X11Window::~X11Window() {
    system_.forget(id_);
    if (grabbed_) {
        releaseInput();
    }
    dnd_.reset();
    canvas_.reset();
    // The GC's memory is ours even when the connection is gone (Xlib sends nothing then).
    if (gc_ != nullptr) {
        XFreeGC(system_.display(), gc_);
    }
    if (system_.isConnected()) {
        if (!destroyed_) {
            XDestroyWindow(system_.display(), id_);
        }
        XFlush(system_.display());
    }
}

bool X11Window::isAlive() const {
    return !destroyed_ && system_.isConnected();
}

void X11Window::show() {
    if (!isAlive()) {
        return;
    }
    if (kind_ == kChild) {
        XMapWindow(system_.display(), id_);
    } else {
        XMapRaised(system_.display(), id_);
    }
    XFlush(system_.display());
    if (kind_ == kPopup) {
        // Override-redirect windows are mapped by the server at once; wait for that so a
        // grab that follows finds the window viewable.
        XSync(system_.display(), False);
        mapped_ = true;
    }
}

void X11Window::hide() {
    if (!isAlive()) {
        return;
    }
    XUnmapWindow(system_.display(), id_);
    XFlush(system_.display());
    mapped_ = false;
}

void X11Window::invalidate(Rect area) {
    if (!isAlive() || area.empty()) {
        return;
    }
    // With no background set, clearing only produces the Expose event.
    XClearArea(system_.display(), id_, area.left, area.top, static_cast<unsigned>(area.width()),
               static_cast<unsigned>(area.height()), True);
}

Canvas& X11Window::canvas() {
    if (!canvas_) {
        // Everything is drawn into memory and copied to the window on flush: no flicker,
        // and nothing of cairo's own X11 backend (or its shared-memory pools) is involved.
        cairo_surface_t* surface =
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, size_.width(), size_.height());
        CairoCanvas::Hooks hooks;
        hooks.present = [this](Rect area) { present(area); };
        hooks.alive = [this] { return isAlive(); };
        canvas_ =
            std::make_unique<CairoCanvas>(surface, size_.width(), size_.height(), std::move(hooks));
    }
    return *canvas_;
}

void X11Window::present(Rect area) {
    if (!isAlive() || !canvas_) {
        return;
    }
    Display* d = system_.display();
    if (gc_ == nullptr) {
        gc_ = XCreateGC(d, id_, 0, nullptr);
    }
    cairo_surface_t* surface = canvas_->surface();
    cairo_surface_flush(surface);
    auto* data = reinterpret_cast<char*>(cairo_image_surface_get_data(surface));
    const int stride = cairo_image_surface_get_stride(surface);
    const X11WindowSystem::PixelFormat& format = system_.pixelFormat();
    if (format.direct) {
        // The screen takes our pixels as they are (32 bits, xRGB): hand them over in place.
        XImage image{};
        image.width = size_.width();
        image.height = size_.height();
        image.format = ZPixmap;
        image.data = data;
        image.byte_order = LSBFirst;
        image.bitmap_unit = 32;
        image.bitmap_bit_order = LSBFirst;
        image.bitmap_pad = 32;
        image.depth = format.depth;
        image.bytes_per_line = stride;
        image.bits_per_pixel = 32;
        image.red_mask = 0xFF0000;
        image.green_mask = 0xFF00;
        image.blue_mask = 0xFF;
        if (XInitImage(&image) != 0) {
            XPutImage(d, id_, gc_, &image, area.left, area.top, area.left, area.top,
                      static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
        }
    } else {
        // Any other true-colour screen: convert pixel by pixel.
        XImage* image = XCreateImage(d, format.visual, static_cast<unsigned>(format.depth), ZPixmap,
                                     0, nullptr, static_cast<unsigned>(area.width()),
                                     static_cast<unsigned>(area.height()), 32, 0);
        if (image == nullptr) {
            return;
        }
        image->data =
            static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line),
                                           static_cast<std::size_t>(area.height())));
        if (image->data != nullptr) {
            for (int y = 0; y < area.height(); ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(
                    data + static_cast<std::ptrdiff_t>(area.top + y) * stride);
                for (int x = 0; x < area.width(); ++x) {
                    XPutPixel(image, x, y, format.pixel(row[area.left + x]));
                }
            }
            XPutImage(d, id_, gc_, image, 0, 0, area.left, area.top,
                      static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
        }
        XDestroyImage(image); // frees the pixels too
    }
    XFlush(d);
}

Point X11Window::pointer() {
    if (!isAlive()) {
        return lastPointer_;
    }
    ::Window root = 0;
    ::Window child = 0;
    int rx = 0;
    int ry = 0;
    int wx = 0;
    int wy = 0;
    unsigned int mask = 0;
    if (XQueryPointer(system_.display(), id_, &root, &child, &rx, &ry, &wx, &wy, &mask) &&
        isAlive()) {
        lastPointer_ = {wx, wy};
    }
    return lastPointer_;
}

Point X11Window::toScreen(Point p) {
    if (!isAlive()) {
        return p;
    }
    int x = p.x;
    int y = p.y;
    ::Window child = 0;
    XTranslateCoordinates(system_.display(), id_, system_.root(), p.x, p.y, &x, &y, &child);
    return {x, y};
}

void X11Window::takeFocus() {
    if (!isAlive()) {
        return;
    }
    if (!mapped_) {
        focusWhenMapped_ = true; // focus can only go to a viewable window
        return;
    }
    XSetInputFocus(system_.display(), id_, RevertToParent, CurrentTime);
    XFlush(system_.display());
}

bool X11Window::grabInput() {
    if (!isAlive()) {
        return false;
    }
    Display* d = system_.display();
    int result = GrabNotViewable;
    // The window may need a moment to become viewable, or another grab to end.
    for (int attempt = 0; attempt < 20 && result != GrabSuccess; ++attempt) {
        result =
            XGrabPointer(d, id_, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                         GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        if (result != GrabSuccess) {
            system_.sleep(5);
        }
    }
    XGrabKeyboard(d, id_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XFlush(d);
    grabbed_ = result == GrabSuccess;
    return grabbed_;
}

void X11Window::releaseInput() {
    grabbed_ = false;
    if (!system_.isConnected()) {
        return;
    }
    XUngrabPointer(system_.display(), CurrentTime);
    XUngrabKeyboard(system_.display(), CurrentTime);
    XFlush(system_.display());
}

void X11Window::discardMouseEvents() {
    if (!isAlive()) {
        return;
    }
    Display* d = system_.display();
    XSync(d, False); // what is on its way arrives first
    XEvent event;
    while (XCheckWindowEvent(d, id_, ButtonPressMask | ButtonReleaseMask, &event)) {
    }
}

void X11Window::setDropTarget(bool on) {
    if (!isAlive()) {
        return;
    }
    Display* d = system_.display();
    const Atoms& atoms = system_.atoms();
    if (on) {
        const Atom version = XdndTarget::kVersion;
        XChangeProperty(d, id_, atoms.xdndAware, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&version), 1);
        if (!dnd_) {
            dnd_ = std::make_unique<XdndTarget>(system_, *this);
        }
    } else {
        XDeleteProperty(d, id_, atoms.xdndAware);
        dnd_.reset();
    }
    XFlush(d);
}

void X11Window::deliver(const Event& event) {
    handler_.onEvent(event);
}

namespace {

Key keyOf(KeySym sym) {
    switch (sym) {
    case XK_BackSpace:
        return Key::Backspace;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return Key::Tab;
    case XK_Return:
    case XK_KP_Enter:
        return Key::Return;
    case XK_Escape:
        return Key::Escape;
    case XK_Delete:
    case XK_KP_Delete:
        return Key::Delete;
    case XK_Left:
    case XK_KP_Left:
        return Key::Left;
    case XK_Up:
    case XK_KP_Up:
        return Key::Up;
    case XK_Right:
    case XK_KP_Right:
        return Key::Right;
    case XK_Down:
    case XK_KP_Down:
        return Key::Down;
    case XK_Home:
    case XK_KP_Home:
        return Key::Home;
    case XK_End:
    case XK_KP_End:
        return Key::End;
    case XK_Page_Up:
    case XK_KP_Page_Up:
        return Key::PageUp;
    case XK_Page_Down:
    case XK_KP_Page_Down:
        return Key::PageDown;
    case XK_space:
        return Key::Space;
    default:
        return Key::Character;
    }
}

// The Unicode code point a key symbol types, 0 for keys that type nothing.
std::uint32_t characterOf(KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) {
        return static_cast<std::uint32_t>(sym); // Latin-1 keysyms are their code points
    }
    if ((sym & 0xFF000000UL) == 0x01000000UL) {
        return static_cast<std::uint32_t>(sym & 0x00FFFFFFUL); // direct Unicode keysyms
    }
    return 0;
}

} // namespace

Event X11Window::keyEvent(XKeyEvent& key, EventType type) {
    Event e;
    e.type = type;
    char buffer[16];
    KeySym sym = NoSymbol;
    XLookupString(&key, buffer, sizeof buffer, &sym, nullptr);
    e.key.key = keyOf(sym);
    e.key.character = characterOf(sym);
    e.key.modifiers =
        X11WindowSystem::mapState(key.state) & (mouse::kShift | mouse::kControl | mouse::kAlt);
    e.modifiers = e.key.modifiers;
    e.position = {key.x, key.y};
    e.time = static_cast<std::uint32_t>(key.time);
    return e;
}

void X11Window::handle(XEvent& event) {
    switch (event.type) {
    case Expose: {
        const XExposeEvent& x = event.xexpose;
        const Rect area = Rect::sized(x.x, x.y, x.width, x.height);
        exposed_ = exposed_.empty()
                       ? area
                       : Rect{std::min(exposed_.left, area.left), std::min(exposed_.top, area.top),
                              std::max(exposed_.right, area.right),
                              std::max(exposed_.bottom, area.bottom)};
        if (x.count == 0) { // the last of a series: paint once for all of it
            Event e;
            e.type = EventType::Paint;
            e.area = exposed_;
            exposed_ = {};
            deliver(e);
        }
        break;
    }
    case ButtonPress:
    case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        Event e;
        e.position = {b.x, b.y};
        // X reports the state from before the event: a press lacks its own button, a
        // release still holds it.
        const unsigned own = mouse::bitOf(static_cast<int>(b.button));
        const unsigned before = X11WindowSystem::mapState(b.state);
        e.modifiers = event.type == ButtonPress ? (before | own) : (before & ~own);
        e.time = static_cast<std::uint32_t>(b.time);
        lastPointer_ = e.position;
        if (b.button >= 1 && b.button <= 3) {
            e.type = event.type == ButtonPress ? EventType::MouseDown : EventType::MouseUp;
            e.button = static_cast<int>(b.button);
            deliver(e);
        } else if ((b.button == 4 || b.button == 5) && event.type == ButtonPress) {
            e.type = EventType::Wheel;
            e.delta = b.button == 4 ? 1 : -1;
            deliver(e);
        }
        break;
    }
    case MotionNotify: {
        Event e;
        e.type = EventType::MouseMove;
        e.position = {event.xmotion.x, event.xmotion.y};
        e.modifiers = X11WindowSystem::mapState(event.xmotion.state);
        e.time = static_cast<std::uint32_t>(event.xmotion.time);
        lastPointer_ = e.position;
        deliver(e);
        break;
    }
    case KeyPress:
        deliver(keyEvent(event.xkey, EventType::KeyDown));
        break;
    case KeyRelease:
        deliver(keyEvent(event.xkey, EventType::KeyUp));
        break;
    case FocusIn:
    case FocusOut: {
        Event e;
        e.type = event.type == FocusIn ? EventType::FocusGained : EventType::FocusLost;
        deliver(e);
        break;
    }
    case MapNotify:
        mapped_ = true;
        if (focusWhenMapped_) {
            focusWhenMapped_ = false;
            takeFocus();
        }
        break;
    case UnmapNotify:
        mapped_ = false;
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == id_) {
            destroyed_ = true; // gone with the host's window; the canvas now draws nothing
            Event e;
            e.type = EventType::Destroyed;
            deliver(e);
        }
        break;
    case ClientMessage: {
        const XClientMessageEvent& m = event.xclient;
        if (m.message_type == system_.atoms().wmProtocols &&
            static_cast<Atom>(m.data.l[0]) == system_.atoms().wmDeleteWindow) {
            Event e;
            e.type = EventType::CloseRequest;
            deliver(e);
        } else if (dnd_) {
            dnd_->handleClientMessage(m);
        }
        break;
    }
    case SelectionNotify:
        if (dnd_) {
            dnd_->handleSelectionNotify(event.xselection);
        }
        break;
    default:
        break;
    }
}

} // namespace quovent::platform::linux_x11
