// What the editor asks of the host, without knowing the plug-in interface: the instrument
// object implements this and turns each call into the host callback of the same meaning.
// Editor thread only.
#pragma once

#include "widgets/FileSelectRequest.hpp"

namespace quovent {

class HostServices {
public:
    virtual ~HostServices() = default;

    // Stores the value as the parameter (a setting of the current slot) and tells the host.
    virtual void setParameterAutomated(int index, float value) = 0;
    virtual void beginEdit(int index) = 0;
    virtual void endEdit(int index) = 0;
    // Gives the host its idle while a control tracks the mouse.
    virtual void masterIdle() = 0;
    // The host's tempo in BPM, or 0 when it reports none.
    virtual float hostTempo() = 0;
    virtual float sampleRate() const = 0;
    virtual bool canHostDo(const char* text) = 0;
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
