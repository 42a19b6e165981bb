// The idle timer on Windows: a thread timer (SetTimer without a window), whose WM_TIMER the
// host's message loop dispatches to the timer procedure. The procedure finds its timer by id
// in a table of this thread's timers: timers are made and ended on the editor's thread only.
#include "platform/IdleTimer.hpp"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace quovent::platform {

namespace {

class Win32IdleTimer final : public IdleTimer {
public:
    Win32IdleTimer(int milliseconds, std::function<void()> tick) : tick_(std::move(tick)) {
        id_ = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), &Win32IdleTimer::onTimer);
        if (id_ != 0) {
            timers().push_back(this);
        }
    }
    ~Win32IdleTimer() override {
        *alive_ = false;
        if (id_ != 0) {
            KillTimer(nullptr, id_);
            auto& all = timers();
            all.erase(std::remove(all.begin(), all.end(), this), all.end());
        }
    }
    Win32IdleTimer(const Win32IdleTimer&) = delete;
    Win32IdleTimer& operator=(const Win32IdleTimer&) = delete;

    bool started() const noexcept { return id_ != 0; }

private:
    static std::vector<Win32IdleTimer*>& timers() {
        thread_local std::vector<Win32IdleTimer*> all;
        return all;
    }

    static void CALLBACK onTimer(HWND /*window*/, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
        for (Win32IdleTimer* timer : timers()) {
            if (timer->id_ == id) {
                timer->fire();
                return;
            }
        }
    }

    void fire() {
        if (ticking_) {
            return;
        }
        ticking_ = true;
        // The tick may end this timer (the host closes the editor from inside a dialog):
        // then nothing of the object is touched after it.
        const std::shared_ptr<bool> alive = alive_;
        tick_();
        if (*alive) {
            ticking_ = false;
        }
    }

    std::function<void()> tick_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    UINT_PTR id_ = 0;
    bool ticking_ = false;
};

} // namespace

std::unique_ptr<IdleTimer> startIdleTimer(int milliseconds, std::function<void()> tick) {
    auto timer = std::make_unique<Win32IdleTimer>(milliseconds, std::move(tick));
    if (!timer->started()) {
        return nullptr;
    }
    return timer;
}

} // namespace quovent::platform
