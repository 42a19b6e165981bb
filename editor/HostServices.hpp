// What the editor asks of the host it runs in, without knowing the plug-in interface: each
// format adapter implements this and turns each call into what its format offers (a host
// callback, a host interface, or nothing). Parameter edits do not come through here: they go
// to the instrument, which tells the format adapter. Editor thread only.
#pragma once

#include "widgets/FileSelectRequest.hpp"

namespace quovent {

class HostServices {
public:
    virtual ~HostServices() = default;

    // A control starts or ends tracking a drag (its tag): the hint VST 2 hosts take as an
    // automation gesture. Formats whose gestures are per parameter do nothing here.
    virtual void beginEdit(int /*tag*/) {}
    virtual void endEdit(int /*tag*/) {}
    // Gives the host its idle while a control tracks the mouse.
    virtual void masterIdle() {}
    // The host's tempo in BPM, or 0 when it reports none.
    virtual float hostTempo() = 0;
    virtual bool canHostDo(const char* /*text*/) { return false; }
    // Asks the host to give the editor's window a new size in pixels (the zoom changed).
    // True when the host did; false when it refused or cannot.
    virtual bool resizeWindow(int /*width*/, int /*height*/) { return false; }

    // The host's own file selector, offered only when the host answers both
    // "openFileSelector" and "closeFileSelector".
    virtual bool hasHostFileSelector() { return false; }
    // The number of paths chosen; 0 when the host declined or the user cancelled.
    virtual int openHostFileSelector(FileSelectRequest& /*request*/) { return 0; }
    // Tells the host the result of openHostFileSelector has been consumed.
    virtual void closeHostFileSelector(FileSelectRequest& /*request*/) {}
};

} // namespace quovent
