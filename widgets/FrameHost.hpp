// What the frame window needs from its owner (the editor, with the host binding behind it):
// the modal idle that every loop on the editor thread calls once per step, the edit
// brackets around a drag, keys, and the host's own file selector.
#pragma once

#include "platform/Event.hpp"
#include "widgets/FileSelectRequest.hpp"

namespace quovent {

class Control;

class FrameHost {
public:
    virtual ~FrameHost() = default;

    // Repaints, serves the window's events and gives the host its idle. Called once per
    // pass by controls that track the mouse and by open menus and dialogs.
    virtual void doIdle() = 0;
    // Sent before and after a control tracks a drag, with the control's tag.
    virtual void beginEdit(int tag) = 0;
    virtual void endEdit(int tag) = 0;
    // The same with the control itself, for owners that tell apart controls sharing a tag.
    // By default the tag alone.
    virtual void beginEdit(const Control& control);
    virtual void endEdit(const Control& control);

    // Keys typed while the frame's window has the focus; true when used.
    virtual bool onKeyDown(const platform::KeyEvent& /*key*/) { return false; }
    virtual bool onKeyUp(const platform::KeyEvent& /*key*/) { return false; }

    // True when the host offers its own file selector (it answers both "openFileSelector"
    // and "closeFileSelector").
    virtual bool hasHostFileSelector() { return false; }
    // Runs the request through the host's selector: the number of paths chosen, 0 when the
    // host declined or the user cancelled.
    virtual int openHostFileSelector(FileSelectRequest& /*request*/) { return 0; }
    // Tells the host that the result of openHostFileSelector has been consumed.
    virtual void closeHostFileSelector(FileSelectRequest& /*request*/) {}
};

} // namespace quovent
