#include "formats/clap/ClapHost.hpp"

namespace quovent {

template <typename Extension> const Extension* ClapHost::extension(const char* id) const noexcept {
    if (host_ == nullptr || host_->get_extension == nullptr) {
        return nullptr;
    }
    return static_cast<const Extension*>(host_->get_extension(host_, id));
}

void ClapHost::find() noexcept {
    params_ = extension<clap::HostParams>(clap::kExtParams);
    state_ = extension<clap::HostState>(clap::kExtState);
    threadCheck_ = extension<clap::HostThreadCheck>(clap::kExtThreadCheck);
    gui_ = extension<clap::HostGui>(clap::kExtGui);
    timers_ = extension<clap::HostTimerSupport>(clap::kExtTimerSupport);
    descriptors_ = extension<clap::HostPosixFdSupport>(clap::kExtPosixFdSupport);
}

bool ClapHost::onMainThread() const noexcept {
    return threadCheck_ == nullptr || threadCheck_->is_main_thread == nullptr ||
           threadCheck_->is_main_thread(host_);
}

bool ClapHost::onAudioThread() const noexcept {
    return threadCheck_ == nullptr || threadCheck_->is_audio_thread == nullptr ||
           threadCheck_->is_audio_thread(host_);
}

void ClapHost::rescanValues() const noexcept {
    if (params_ != nullptr && params_->rescan != nullptr) {
        params_->rescan(host_, clap::kParamRescanValues);
    }
}

void ClapHost::markDirty() const noexcept {
    if (state_ != nullptr && state_->mark_dirty != nullptr) {
        state_->mark_dirty(host_);
    }
}

void ClapHost::requestFlush() const noexcept {
    if (params_ != nullptr && params_->request_flush != nullptr) {
        params_->request_flush(host_);
    }
}

bool ClapHost::requestResize(std::uint32_t width, std::uint32_t height) const noexcept {
    return gui_ != nullptr && gui_->request_resize != nullptr &&
           gui_->request_resize(host_, width, height);
}

bool ClapHost::servesTimersAndDescriptors() const noexcept {
    return timers_ != nullptr && timers_->register_timer != nullptr &&
           timers_->unregister_timer != nullptr && descriptors_ != nullptr &&
           descriptors_->register_fd != nullptr && descriptors_->unregister_fd != nullptr;
}

bool ClapHost::registerTimer(std::uint32_t milliseconds, clap::Id& id) const noexcept {
    id = clap::kInvalidId;
    return servesTimersAndDescriptors() && timers_->register_timer(host_, milliseconds, &id);
}

void ClapHost::unregisterTimer(clap::Id id) const noexcept {
    if (servesTimersAndDescriptors()) {
        timers_->unregister_timer(host_, id);
    }
}

bool ClapHost::registerDescriptor(int fd) const noexcept {
    return servesTimersAndDescriptors() && descriptors_->register_fd(host_, fd, clap::kPosixFdRead);
}

void ClapHost::unregisterDescriptor(int fd) const noexcept {
    if (servesTimersAndDescriptors()) {
        descriptors_->unregister_fd(host_, fd);
    }
}

} // namespace quovent
