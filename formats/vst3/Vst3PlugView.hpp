// The editor as a VST 3 plug-in view: the instrument's own editor in the host's window (an
// X11 embed window id on Linux, an HWND on Windows), a view over the component's instrument.
// The host's content scale picks the zoom; a zoom change asks the host's frame to resize.
// Nothing of ours runs on a thread of its own: on Linux the host's run loop calls the view's
// timer and tells it when the editor's X connection has events; on Windows a thread timer
// served by the host's message loop does the same.
//
// Threads: the host's UI thread, for every call. The view keeps its component alive.
#pragma once

#include "editor/Editor.hpp"
#include "editor/HostServices.hpp"
#include "formats/vst3/Vst3AbiView.hpp"
#include "platform/IdleTimer.hpp"

#include <atomic>
#include <memory>

namespace quovent {

class Vst3Component;

class Vst3PlugView final : public vst3::IPlugView,
                           public vst3::IPlugViewContentScaleSupport,
                           public vst3::Linux::ITimerHandler,
                           public vst3::Linux::IEventHandler,
                           private HostServices {
public:
    // The parent window type of this system's hosts, and whether the host's run loop must
    // serve the editor (there is no dispatch of our own to ride on).
    static const char* platformType() noexcept;
    static bool needsRunLoop() noexcept;

    // Starts with one reference, the creator's.
    explicit Vst3PlugView(Vst3Component& component);
    Vst3PlugView(const Vst3PlugView&) = delete;
    Vst3PlugView& operator=(const Vst3PlugView&) = delete;

    // ---- FUnknown --------------------------------------------------------------------------
    vst3::tresult QUOVENT_VST3_CALL queryInterface(const vst3::TUID id, void** obj) override;
    vst3::uint32 QUOVENT_VST3_CALL addRef() override;
    vst3::uint32 QUOVENT_VST3_CALL release() override;

    // ---- IPlugView -------------------------------------------------------------------------
    vst3::tresult QUOVENT_VST3_CALL isPlatformTypeSupported(vst3::FIDString type) override;
    vst3::tresult QUOVENT_VST3_CALL attached(void* parent, vst3::FIDString type) override;
    vst3::tresult QUOVENT_VST3_CALL removed() override;
    vst3::tresult QUOVENT_VST3_CALL onWheel(float distance) override;
    vst3::tresult QUOVENT_VST3_CALL onKeyDown(vst3::char16 key, vst3::int16 keyCode,
                                              vst3::int16 modifiers) override;
    vst3::tresult QUOVENT_VST3_CALL onKeyUp(vst3::char16 key, vst3::int16 keyCode,
                                            vst3::int16 modifiers) override;
    vst3::tresult QUOVENT_VST3_CALL getSize(vst3::ViewRect* size) override;
    vst3::tresult QUOVENT_VST3_CALL onSize(vst3::ViewRect* newSize) override;
    vst3::tresult QUOVENT_VST3_CALL onFocus(vst3::TBool state) override;
    vst3::tresult QUOVENT_VST3_CALL setFrame(vst3::IPlugFrame* frame) override;
    vst3::tresult QUOVENT_VST3_CALL canResize() override;
    vst3::tresult QUOVENT_VST3_CALL checkSizeConstraint(vst3::ViewRect* rect) override;

    // ---- IPlugViewContentScaleSupport ------------------------------------------------------
    vst3::tresult QUOVENT_VST3_CALL setContentScaleFactor(ScaleFactor factor) override;

    // ---- Linux run loop handlers -----------------------------------------------------------
    void QUOVENT_VST3_CALL onTimer() override;
    void QUOVENT_VST3_CALL onFDIsSet(vst3::Linux::FileDescriptor fd) override;

    Editor& editor() noexcept { return editor_; }

private:
    ~Vst3PlugView();

    // HostServices
    float hostTempo() override;
    bool resizeWindow(int width, int height) override;

    vst3::ViewRect editorSize() const;
    // The host's run loop, from the frame or else the host's context; null when neither has
    // one. The reference is the caller's.
    vst3::Linux::IRunLoop* findRunLoop() const;
    bool startServing();
    void stopServing();
    // The editor's idle from the timer or the connection; the window and its connection may
    // be new afterwards (a zoom change rebuilds them).
    void tick();
    // Watches the open window's connection, and no other, from the host's run loop.
    void followConnection();

    std::atomic<vst3::uint32> references_{1};
    Vst3Component& component_;
    Editor editor_;
    vst3::IPlugFrame* frame_ = nullptr; // the host's; not counted, as hosts expect
    vst3::Linux::IRunLoop* runLoop_ = nullptr;
    bool timerRegistered_ = false;
    int watchedFd_ = -1;
    std::unique_ptr<platform::IdleTimer> idleTimer_;
    bool ticking_ = false;
};

} // namespace quovent
