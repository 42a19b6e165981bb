#include "tests/support/Vst3RunLoop.hpp"

#include <poll.h>

#include <algorithm>

namespace quovent::test {

using namespace vst3;

tresult QUOVENT_VST3_CALL Vst3RunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                            Linux::FileDescriptor fd) {
    if (handler == nullptr || fd < 0) {
        return kInvalidArgument;
    }
    watches_.push_back({handler, fd});
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3RunLoop::unregisterEventHandler(Linux::IEventHandler* handler) {
    const auto before = watches_.size();
    std::erase_if(watches_, [&](const Watch& w) { return w.handler == handler; });
    return watches_.size() != before ? kResultOk : kResultFalse;
}

tresult QUOVENT_VST3_CALL Vst3RunLoop::registerTimer(Linux::ITimerHandler* handler,
                                                     Linux::TimerInterval milliseconds) {
    if (handler == nullptr || milliseconds == 0) {
        return kInvalidArgument;
    }
    const std::chrono::milliseconds interval(milliseconds);
    timers_.push_back({handler, interval, Clock::now() + interval});
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3RunLoop::unregisterTimer(Linux::ITimerHandler* handler) {
    const auto before = timers_.size();
    std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler; });
    return timers_.size() != before ? kResultOk : kResultFalse;
}

void Vst3RunLoop::turn(std::chrono::milliseconds wait) {
    std::vector<pollfd> fds;
    for (const Watch& w : watches_) {
        fds.push_back({w.fd, POLLIN, 0});
    }
    poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
    // Copies: a handler may change the registrations while it is called.
    const std::vector<Watch> watches = watches_;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        const bool stillWatched =
            std::any_of(watches_.begin(), watches_.end(), [&](const Watch& w) {
                return w.handler == watches[i].handler && w.fd == watches[i].fd;
            });
        if ((fds[i].revents & POLLIN) != 0 && stillWatched) {
            ++descriptorCalls_;
            watches[i].handler->onFDIsSet(watches[i].fd);
        }
    }
    const auto now = Clock::now();
    const std::vector<Timer> timers = timers_;
    for (const Timer& t : timers) {
        auto live = std::find_if(timers_.begin(), timers_.end(),
                                 [&](const Timer& x) { return x.handler == t.handler; });
        if (live == timers_.end() || live->due > now) {
            continue;
        }
        live->due = now + live->interval;
        ++timerCalls_;
        t.handler->onTimer();
    }
}

void Vst3RunLoop::serve(std::chrono::milliseconds duration) {
    const auto end = Clock::now() + duration;
    while (Clock::now() < end) {
        turn();
    }
}

} // namespace quovent::test
