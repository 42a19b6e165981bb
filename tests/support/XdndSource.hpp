// The drag source side of XDND for GUI tests: owns the selection, sends the client
// messages of a drag and answers the target's status, conversion and finish messages.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace quovent::test {

// As a file manager speaks it; uriList is the text/uri-list payload.
class XdndSource {
public:
    XdndSource(Display* dpy, const std::string& uriList) : dpy_(dpy), data_(uriList) {
        window_ = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
        selection_ = atom("XdndSelection");
        uriList_ = atom("text/uri-list");
        XSetSelectionOwner(dpy, selection_, window_, CurrentTime);
        XSync(dpy, False);
    }
    ~XdndSource() { XDestroyWindow(dpy_, window_); }

    Atom atom(const char* name) { return XInternAtom(dpy_, name, False); }
    void send(Window target, const char* type, long l1, long l2, long l3, long l4) {
        XClientMessageEvent m{};
        m.type = ClientMessage;
        m.display = dpy_;
        m.window = target;
        m.message_type = atom(type);
        m.format = 32;
        m.data.l[0] = static_cast<long>(window_);
        m.data.l[1] = l1;
        m.data.l[2] = l2;
        m.data.l[3] = l3;
        m.data.l[4] = l4;
        XSendEvent(dpy_, target, False, NoEventMask, reinterpret_cast<XEvent*>(&m));
        XSync(dpy_, False);
    }
    // Answers what arrived for the source: status, conversion requests, finish.
    void serve() {
        while (XPending(dpy_) > 0) {
            XEvent e;
            XNextEvent(dpy_, &e);
            if (e.type == ClientMessage && e.xclient.message_type == atom("XdndStatus")) {
                ++statuses;
                accepted = (e.xclient.data.l[1] & 1) != 0;
                action = static_cast<Atom>(e.xclient.data.l[4]);
            } else if (e.type == ClientMessage && e.xclient.message_type == atom("XdndFinished")) {
                finished = true;
                finishedAccepted = (e.xclient.data.l[1] & 1) != 0;
            } else if (e.type == SelectionRequest) {
                const XSelectionRequestEvent& r = e.xselectionrequest;
                XSelectionEvent reply{};
                reply.type = SelectionNotify;
                reply.requestor = r.requestor;
                reply.selection = r.selection;
                reply.target = r.target;
                reply.time = r.time;
                reply.property = None;
                if (r.target == uriList_) {
                    XChangeProperty(dpy_, r.requestor, r.property, uriList_, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(data_.data()),
                                    static_cast<int>(data_.size()));
                    reply.property = r.property;
                }
                XSendEvent(dpy_, r.requestor, False, NoEventMask,
                           reinterpret_cast<XEvent*>(&reply));
                XSync(dpy_, False);
            }
        }
    }

    int statuses = 0;
    bool accepted = false;
    Atom action = None;
    bool finished = false;
    bool finishedAccepted = false;

private:
    Display* dpy_;
    std::string data_;
    Window window_;
    Atom selection_;
    Atom uriList_;
};

} // namespace quovent::test
