// The receiving side of XDND (version 5) for one window: XdndEnter (types from the message
// or the source's XdndTypeList), XdndPosition answered with XdndStatus, XdndLeave,
// XdndDrop converting XdndSelection to text/uri-list (or plain text) with the drop's time,
// SelectionNotify reading the data, and XdndFinished. file:// URIs become paths.
#pragma once

#include "platform/Event.hpp"

#include <X11/Xlib.h>

namespace quovent::platform::linux_x11 {

class X11WindowSystem;
class X11Window;

class XdndTarget {
public:
    static constexpr long kVersion = 5;

    XdndTarget(X11WindowSystem& system, X11Window& window);

    // True when the message belonged to the protocol.
    bool handleClientMessage(const XClientMessageEvent& message);
    bool handleSelectionNotify(const XSelectionEvent& event);

private:
    void enter(const XClientMessageEvent& m);
    void position(const XClientMessageEvent& m);
    void drop(const XClientMessageEvent& m);
    void sendStatus(bool accept);
    void sendFinished(bool accepted);
    void reset();
    int dropTypeOf(Atom type) const;

    X11WindowSystem& system_;
    X11Window& window_;
    ::Window source_ = None;
    long version_ = 0;
    Atom type_ = None;
    Point where_;
    bool accepted_ = false;
    bool fetching_ = false;
};

} // namespace quovent::platform::linux_x11
