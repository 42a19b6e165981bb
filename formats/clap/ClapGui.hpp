// The editor as a CLAP plug-in's GUI: the instrument's own editor embedded in the host's
// window (an X11 window on Linux, an HWND on Windows), never floating. The host's scale picks
// the zoom; a zoom change asks the host for the new size. Nothing of ours runs on a thread of
// its own: on Linux the host's main loop calls the editor's timer and tells it when the
// editor's X connection has events (its timer and descriptor support, without which there is
// no GUI); on Windows a thread timer served by the host's message loop does the same.
//
// Threads: the host's main thread, for every call.
#pragma once

#include "editor/Editor.hpp"
#include "editor/HostServices.hpp"
#include "formats/clap/ClapAbiExtensions.hpp"
#include "platform/IdleTimer.hpp"

#include <cstdint>
#include <memory>

namespace quovent {

class ClapHost;
class ClapPlugin;

class ClapGui final : private HostServices {
public:
    // The window api of this system's hosts, and whether the host's main loop must serve the
    // editor (there is no dispatch of our own to ride on).
    static const char* api() noexcept;
    static bool needsHostLoop() noexcept;
    static bool supports(const char* api, bool floating) noexcept;
    // Whether a window could be served for this host here.
    static bool servable(const ClapHost& host) noexcept;

    explicit ClapGui(ClapPlugin& plugin);
    ~ClapGui() override;
    ClapGui(const ClapGui&) = delete;
    ClapGui& operator=(const ClapGui&) = delete;

    // Factors outside 0.25..8 (or NaN) are refused; others open the nearest zoom.
    bool setScale(double scale);
    bool size(std::uint32_t* width, std::uint32_t* height) const noexcept;
    // The editor in the host's window (again in a new one when called twice).
    bool setParent(const clap::Window* window);
    // The window system's calls through the host's loop.
    void onTimer(clap::Id id);
    void onDescriptor();
    // Stops serving and closes the window; the object may go later (a host that destroys the
    // GUI from inside one of the editor's own dialogs).
    void close();
    bool ticking() const noexcept { return ticking_; }

    Editor& editor() noexcept { return editor_; }

private:
    static void* parentOf(const clap::Window& window) noexcept;

    float hostTempo() override;
    bool resizeWindow(int width, int height) override;

    bool startServing();
    void stopServing();
    // The editor's idle; the window and its connection may be new afterwards (a zoom change
    // rebuilds them).
    void tick();
    // Watches the open window's connection, and no other, through the host's loop.
    void followConnection();

    ClapPlugin& plugin_;
    Editor editor_;
    clap::Id timer_ = clap::kInvalidId;
    int watchedFd_ = -1;
    std::unique_ptr<platform::IdleTimer> idleTimer_;
    bool ticking_ = false;
    // The instrument's edit count the host was last told of.
    unsigned editsSeen_ = 0;
};

} // namespace quovent
