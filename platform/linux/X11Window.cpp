// X11 window: drawing surface, input events, focus, grabs, drop target.
#include "platform/linux/X11Window.hpp"

#include "platform/linux/X11WindowSystem.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>

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
    if (!destroyed_ && system_.isConnected()) {
        XDestroyWindow(system_.display(), id_);
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
        Display* d = system_.display();
        XWindowAttributes attributes{};
        Visual* visual = DefaultVisual(d, DefaultScreen(d));
        if (isAlive() && XGetWindowAttributes(d, id_, &attributes) != 0) {
            visual = attributes.visual;
        }
        // A window already gone gets a memory surface: drawing goes nowhere, safely.
        cairo_surface_t* surface =
            isAlive()
                ? cairo_xlib_surface_create(d, id_, visual, size_.width(), size_.height())
                : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size_.width(), size_.height());
        CairoCanvas::Hooks hooks;
        hooks.flush = [this] { XFlush(system_.display()); };
        hooks.alive = [this] { return isAlive(); };
        canvas_ =
            std::make_unique<CairoCanvas>(surface, size_.width(), size_.height(), std::move(hooks));
    }
    return *canvas_;
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
        e.modifiers = X11WindowSystem::mapState(b.state);
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
