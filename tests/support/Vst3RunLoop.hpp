// The host's run loop of a Linux VST 3 host, for tests: it keeps the view's timers and the
// descriptors it asked to have watched, and turn() is one pass of the host's event loop:
// it waits a little for a watched descriptor, tells the handlers of the readable ones and
// calls the timers that are due. Handlers may register and unregister from inside their
// calls, as they may with a real host.
//
// Owned by the test; release never deletes (see Vst3HostObject). Test thread only.
#pragma once

#include "formats/vst3/Vst3AbiView.hpp"
#include "tests/support/Vst3HostObjects.hpp"

#include <chrono>
#include <vector>

namespace quovent::test {

class Vst3RunLoop final : public Vst3HostObject<vst3::Linux::IRunLoop> {
public:
    vst3::tresult QUOVENT_VST3_CALL registerEventHandler(vst3::Linux::IEventHandler* handler,
                                                         vst3::Linux::FileDescriptor fd) override;
    vst3::tresult QUOVENT_VST3_CALL
    unregisterEventHandler(vst3::Linux::IEventHandler* handler) override;
    vst3::tresult QUOVENT_VST3_CALL registerTimer(vst3::Linux::ITimerHandler* handler,
                                                  vst3::Linux::TimerInterval milliseconds) override;
    vst3::tresult QUOVENT_VST3_CALL unregisterTimer(vst3::Linux::ITimerHandler* handler) override;

    // One pass of the host's loop, waiting at most `wait` for a descriptor.
    void turn(std::chrono::milliseconds wait = std::chrono::milliseconds(5));
    // Passes for a while.
    void serve(std::chrono::milliseconds duration);

    std::size_t timerCount() const noexcept { return timers_.size(); }
    std::size_t watchCount() const noexcept { return watches_.size(); }
    // How often timers and descriptor handlers were called so far.
    int timerCalls() const noexcept { return timerCalls_; }
    int descriptorCalls() const noexcept { return descriptorCalls_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Watch {
        vst3::Linux::IEventHandler* handler;
        int fd;
    };
    struct Timer {
        vst3::Linux::ITimerHandler* handler;
        std::chrono::milliseconds interval;
        Clock::time_point due;
    };

    std::vector<Watch> watches_;
    std::vector<Timer> timers_;
    int timerCalls_ = 0;
    int descriptorCalls_ = 0;
};

} // namespace quovent::test
