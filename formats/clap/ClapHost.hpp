// The host as one instance sees it: its record and the extensions it offers, looked up once
// in the plug-in's init (the interface allows no earlier look-up). Every call checks that the
// host gave the function; a host without an extension simply gets nothing asked of it.
//
// Threads: find() on the main thread, before anything else is asked; the rest from the
// threads the interface names for each (see ClapAbiExtensions.hpp).
#pragma once

#include "formats/clap/ClapAbiExtensions.hpp"

#include <cstdint>

namespace quovent {

class ClapHost {
public:
    explicit ClapHost(const clap::Host* host) noexcept : host_(host) {}

    void find() noexcept;

    // What the host's thread check says; true when it has none, so that a check of ours
    // never fails against a host that cannot tell.
    bool onMainThread() const noexcept;
    bool onAudioThread() const noexcept;

    // Every parameter may have a new value (a restored state).
    void rescanValues() const noexcept;
    // The project's state changed in a way no parameter shows (an edit in the editor). Main
    // thread.
    void markDirty() const noexcept;
    // Asks for a flush (editor edits wait while the host does not process). Never on the
    // audio thread.
    void requestFlush() const noexcept;
    bool requestResize(std::uint32_t width, std::uint32_t height) const noexcept;

    // The host's main loop serving timers and descriptors (both needed for an X11 editor).
    bool servesTimersAndDescriptors() const noexcept;
    bool registerTimer(std::uint32_t milliseconds, clap::Id& id) const noexcept;
    void unregisterTimer(clap::Id id) const noexcept;
    bool registerDescriptor(int fd) const noexcept;
    void unregisterDescriptor(int fd) const noexcept;

private:
    template <typename Extension> const Extension* extension(const char* id) const noexcept;

    const clap::Host* host_;
    const clap::HostParams* params_ = nullptr;
    const clap::HostState* state_ = nullptr;
    const clap::HostThreadCheck* threadCheck_ = nullptr;
    const clap::HostGui* gui_ = nullptr;
    const clap::HostTimerSupport* timers_ = nullptr;
    const clap::HostPosixFdSupport* descriptors_ = nullptr;
};

} // namespace quovent
