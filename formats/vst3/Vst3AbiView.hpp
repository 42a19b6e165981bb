// The VST 3 interface as a host sees it, part four: the plug-in's view (its editor window in
// a window of the host's), the host's frame around it, content scaling, and on Linux the
// host's run loop, through which the view's timers and its X connection are served. Same
// rules as Vst3AbiBase.hpp.
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"

namespace quovent::vst3 {

// The kinds of parent window a host may hand to attached().
inline constexpr const char8* kPlatformTypeHWND = "HWND";
inline constexpr const char8* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
// The one view name a controller's createView is asked for.
inline constexpr const char8* kEditorViewType = "editor";

struct ViewRect {
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};

class IPlugFrame;

class IPlugView : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);

    virtual tresult QUOVENT_VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult QUOVENT_VST3_CALL attached(void* parent, FIDString type) = 0;
    virtual tresult QUOVENT_VST3_CALL removed() = 0;
    virtual tresult QUOVENT_VST3_CALL onWheel(float distance) = 0;
    virtual tresult QUOVENT_VST3_CALL onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult QUOVENT_VST3_CALL onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult QUOVENT_VST3_CALL getSize(ViewRect* size) = 0;
    virtual tresult QUOVENT_VST3_CALL onSize(ViewRect* newSize) = 0;
    virtual tresult QUOVENT_VST3_CALL onFocus(TBool state) = 0;
    virtual tresult QUOVENT_VST3_CALL setFrame(IPlugFrame* frame) = 0;
    virtual tresult QUOVENT_VST3_CALL canResize() = 0;
    virtual tresult QUOVENT_VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;

protected:
    ~IPlugView() = default;
};

class IPlugFrame : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);

    // The host resizes its window and then calls the view's onSize.
    virtual tresult QUOVENT_VST3_CALL resizeView(IPlugView* view, ViewRect* newSize) = 0;

protected:
    ~IPlugFrame() = default;
};

class IPlugViewContentScaleSupport : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);

    using ScaleFactor = float;
    virtual tresult QUOVENT_VST3_CALL setContentScaleFactor(ScaleFactor factor) = 0;

protected:
    ~IPlugViewContentScaleSupport() = default;
};

// Linux: the host's run loop (queried from the frame or the host context). The plug-in owns
// no thread that touches its window; the host calls these handlers on its UI thread.
namespace Linux {

using FileDescriptor = int;
using TimerInterval = uint64; // milliseconds

class IEventHandler : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);

    virtual void QUOVENT_VST3_CALL onFDIsSet(FileDescriptor fd) = 0;

protected:
    ~IEventHandler() = default;
};

class ITimerHandler : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

    virtual void QUOVENT_VST3_CALL onTimer() = 0;

protected:
    ~ITimerHandler() = default;
};

class IRunLoop : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);

    virtual tresult QUOVENT_VST3_CALL registerEventHandler(IEventHandler* handler,
                                                           FileDescriptor fd) = 0;
    virtual tresult QUOVENT_VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult QUOVENT_VST3_CALL registerTimer(ITimerHandler* handler,
                                                    TimerInterval milliseconds) = 0;
    virtual tresult QUOVENT_VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;

protected:
    ~IRunLoop() = default;
};

} // namespace Linux

static_assert(sizeof(ViewRect) == 16);

} // namespace quovent::vst3
