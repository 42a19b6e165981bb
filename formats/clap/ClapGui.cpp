#include "formats/clap/ClapGui.hpp"

#include "formats/clap/ClapCapacities.hpp"
#include "formats/clap/ClapHost.hpp"
#include "formats/clap/ClapPlugin.hpp"
#include "platform/WindowSystem.hpp"
#include "widgets/FrameWindow.hpp"

#include <cmath>
#include <cstring>

namespace quovent {

bool ClapGui::supports(const char* api, bool floating) noexcept {
    return api != nullptr && std::strcmp(api, ClapGui::api()) == 0 && !floating;
}

bool ClapGui::servable(const ClapHost& host) noexcept {
    return platform::hasNativeWindowSystem() &&
           (!needsHostLoop() || host.servesTimersAndDescriptors());
}

ClapGui::ClapGui(ClapPlugin& plugin)
    : plugin_(plugin), editor_(plugin.instrument(), *this),
      editsSeen_(plugin.instrument().edits()) {}

ClapGui::~ClapGui() {
    close();
}

bool ClapGui::setScale(double scale) {
    if (!std::isfinite(scale) || scale < capacity::kClapMinGuiScale ||
        scale > capacity::kClapMaxGuiScale) {
        return false;
    }
    editor_.setHostScale(scale);
    followConnection();
    return true;
}

bool ClapGui::size(std::uint32_t* width, std::uint32_t* height) const noexcept {
    if (width == nullptr || height == nullptr) {
        return false;
    }
    const EditorRect r = editor_.getRect();
    *width = static_cast<std::uint32_t>(r.right - r.left);
    *height = static_cast<std::uint32_t>(r.bottom - r.top);
    return true;
}

bool ClapGui::setParent(const clap::Window* window) {
    if (window == nullptr || !supports(window->api, false) || parentOf(*window) == nullptr) {
        return false;
    }
    close();
    if (!editor_.open(parentOf(*window)) || !startServing()) {
        close();
        return false;
    }
    return true;
}

void ClapGui::close() {
    stopServing();
    editor_.close();
}

void ClapGui::onTimer(clap::Id id) {
    if (id == timer_) {
        tick();
    }
}

void ClapGui::onDescriptor() {
    tick();
}

void ClapGui::tick() {
    if (ticking_) {
        return; // a modal loop of ours inside the last tick serves the window meanwhile
    }
    ticking_ = true;
    editor_.idle();
    ticking_ = false;
    followConnection();
    // Edits no parameter carries (steps, lanes, samples) still change the project: the host
    // learns of them so that it asks to save what would otherwise be lost.
    const unsigned edits = plugin_.instrument().edits();
    if (edits != editsSeen_) {
        editsSeen_ = edits;
        plugin_.host().markDirty();
    }
}

bool ClapGui::startServing() {
    if (!needsHostLoop()) {
        idleTimer_ = platform::startIdleTimer(static_cast<int>(capacity::kClapGuiIdleMilliseconds),
                                              [this] { tick(); });
        return idleTimer_ != nullptr;
    }
    if (!plugin_.host().registerTimer(capacity::kClapGuiIdleMilliseconds, timer_)) {
        timer_ = clap::kInvalidId;
        return false;
    }
    followConnection();
    return watchedFd_ >= 0;
}

void ClapGui::stopServing() {
    idleTimer_.reset();
    if (watchedFd_ >= 0) {
        plugin_.host().unregisterDescriptor(watchedFd_);
        watchedFd_ = -1;
    }
    if (timer_ != clap::kInvalidId) {
        plugin_.host().unregisterTimer(timer_);
        timer_ = clap::kInvalidId;
    }
}

void ClapGui::followConnection() {
    if (!needsHostLoop()) {
        return;
    }
    const FrameWindow* frame = editor_.frame();
    const int fd = frame != nullptr ? frame->windowSystem().connectionFd() : -1;
    if (fd == watchedFd_) {
        return;
    }
    if (watchedFd_ >= 0) {
        plugin_.host().unregisterDescriptor(watchedFd_);
        watchedFd_ = -1;
    }
    if (fd >= 0 && plugin_.host().registerDescriptor(fd)) {
        watchedFd_ = fd;
    }
}

float ClapGui::hostTempo() {
    return plugin_.instrument().tempo();
}

bool ClapGui::resizeWindow(int width, int height) {
    return width > 0 && height > 0 &&
           plugin_.host().requestResize(static_cast<std::uint32_t>(width),
                                        static_cast<std::uint32_t>(height));
}

} // namespace quovent
