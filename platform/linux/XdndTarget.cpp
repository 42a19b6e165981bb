// XDND version 5, receiving side.
#include "platform/linux/XdndTarget.hpp"

#include "platform/Capacities.hpp"
#include "platform/UriList.hpp"
#include "platform/linux/X11Window.hpp"
#include "platform/linux/X11WindowSystem.hpp"

#include <X11/Xatom.h>
#include <string>

namespace quovent::platform::linux_x11 {

XdndTarget::XdndTarget(X11WindowSystem& system, X11Window& window)
    : system_(system), window_(window) {}

int XdndTarget::dropTypeOf(Atom type) const {
    return type == system_.atoms().textUriList ? DropData::kFiles : DropData::kText;
}

void XdndTarget::reset() {
    source_ = None;
    version_ = 0;
    type_ = None;
    accepted_ = false;
    fetching_ = false;
}

bool XdndTarget::handleClientMessage(const XClientMessageEvent& m) {
    const Atoms& a = system_.atoms();
    if (m.format != 32) {
        return false;
    }
    if (m.message_type == a.xdndEnter) {
        enter(m);
    } else if (m.message_type == a.xdndPosition) {
        position(m);
    } else if (m.message_type == a.xdndLeave) {
        if (static_cast<::Window>(m.data.l[0]) == source_ && !fetching_) {
            reset();
        }
    } else if (m.message_type == a.xdndDrop) {
        drop(m);
    } else {
        return false;
    }
    return true;
}

void XdndTarget::enter(const XClientMessageEvent& m) {
    reset();
    source_ = static_cast<::Window>(m.data.l[0]);
    version_ = (m.data.l[1] >> 24) & 0xFF;
    const Atoms& a = system_.atoms();
    std::vector<Atom> offered;
    if ((m.data.l[1] & 1) != 0) {
        // More than three types: the full list is on the source window.
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(system_.display(), source_, a.xdndTypeList, 0, 1024, False, XA_ATOM,
                               &actualType, &format, &count, &after, &data) == Success &&
            data != nullptr) {
            if (actualType == XA_ATOM && format == 32) {
                const auto* atoms = reinterpret_cast<const Atom*>(data);
                offered.assign(atoms, atoms + count);
            }
            XFree(data);
        }
    } else {
        for (int i = 2; i <= 4; ++i) {
            if (m.data.l[i] != None) {
                offered.push_back(static_cast<Atom>(m.data.l[i]));
            }
        }
    }
    // File lists first; plain text only when no list of files comes with the drag.
    const Atom preference[] = {a.textUriList, a.textPlainUtf8, a.utf8String, a.textPlain};
    for (const Atom wanted : preference) {
        for (const Atom t : offered) {
            if (t == wanted) {
                type_ = wanted;
                return;
            }
        }
    }
}

void XdndTarget::position(const XClientMessageEvent& m) {
    const auto source = static_cast<::Window>(m.data.l[0]);
    if (source != source_ || source_ == None) {
        return;
    }
    const int rootX = static_cast<int>((m.data.l[2] >> 16) & 0xFFFF);
    const int rootY = static_cast<int>(m.data.l[2] & 0xFFFF);
    int x = rootX;
    int y = rootY;
    ::Window child = 0;
    XTranslateCoordinates(system_.display(), system_.root(), window_.id(), rootX, rootY, &x, &y,
                          &child);
    where_ = window_.toUnits({x, y});
    accepted_ = type_ != None && window_.handler().acceptsDrop(where_, dropTypeOf(type_));
    sendStatus(accepted_);
}

void XdndTarget::sendStatus(bool accept) {
    const Atoms& a = system_.atoms();
    XClientMessageEvent s{};
    s.type = ClientMessage;
    s.display = system_.display();
    s.window = source_;
    s.message_type = a.xdndStatus;
    s.format = 32;
    s.data.l[0] = static_cast<long>(window_.id());
    // Bit 1 with an empty rectangle: send a position for every move, because whether we
    // accept depends on the control under the pointer.
    s.data.l[1] = (accept ? 1 : 0) | 2;
    s.data.l[2] = 0;
    s.data.l[3] = 0;
    s.data.l[4] = accept ? static_cast<long>(a.xdndActionCopy) : None;
    XSendEvent(system_.display(), source_, False, NoEventMask, reinterpret_cast<XEvent*>(&s));
    XFlush(system_.display());
}

void XdndTarget::sendFinished(bool accepted) {
    if (source_ == None) {
        return;
    }
    const Atoms& a = system_.atoms();
    XClientMessageEvent f{};
    f.type = ClientMessage;
    f.display = system_.display();
    f.window = source_;
    f.message_type = a.xdndFinished;
    f.format = 32;
    f.data.l[0] = static_cast<long>(window_.id());
    f.data.l[1] = accepted ? 1 : 0;
    f.data.l[2] = accepted ? static_cast<long>(a.xdndActionCopy) : None;
    XSendEvent(system_.display(), source_, False, NoEventMask, reinterpret_cast<XEvent*>(&f));
    XFlush(system_.display());
}

void XdndTarget::drop(const XClientMessageEvent& m) {
    const auto source = static_cast<::Window>(m.data.l[0]);
    if (source != source_ || source_ == None) {
        return;
    }
    if (!accepted_ || type_ == None) {
        sendFinished(false);
        reset();
        return;
    }
    const Time time = version_ >= 1 ? static_cast<Time>(m.data.l[2]) : CurrentTime;
    const Atoms& a = system_.atoms();
    XConvertSelection(system_.display(), a.xdndSelection, type_, a.dropProperty, window_.id(),
                      time);
    XFlush(system_.display());
    fetching_ = true;
}

bool XdndTarget::handleSelectionNotify(const XSelectionEvent& event) {
    const Atoms& a = system_.atoms();
    if (!fetching_ || event.selection != a.xdndSelection) {
        return false;
    }
    fetching_ = false;
    if (event.property == None) {
        sendFinished(false); // the source could not give us the data
        reset();
        return true;
    }
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string text;
    bool ok = false;
    if (XGetWindowProperty(system_.display(), window_.id(), event.property, 0,
                           static_cast<long>(capacity::kDropBytes / 4), True, AnyPropertyType,
                           &actualType, &format, &count, &after, &data) == Success) {
        // Incremental transfers are for payloads far beyond any list of paths.
        if (data != nullptr && format == 8 && actualType != a.incr) {
            text.assign(reinterpret_cast<const char*>(data), count);
            ok = true;
        }
        if (data != nullptr) {
            XFree(data);
        }
    }
    DropData drop;
    drop.type = dropTypeOf(type_);
    if (ok) {
        if (drop.type == DropData::kFiles) {
            drop.items = parseUriList(text);
        } else if (!text.empty()) {
            while (!text.empty() && text.back() == '\0') {
                text.pop_back();
            }
            drop.items.push_back(std::move(text));
        }
    }
    const bool delivered = !drop.items.empty();
    if (delivered) {
        Event e;
        e.type = EventType::Drop;
        e.position = where_;
        e.drop = &drop;
        window_.handler().onEvent(e);
    }
    sendFinished(delivered);
    reset();
    return true;
}

} // namespace quovent::platform::linux_x11
