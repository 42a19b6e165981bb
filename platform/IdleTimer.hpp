// A periodic call for an editor whose host gives it no idle of its own (a VST 3 view on
// Windows): served by the calling thread's own message dispatch, so the call comes on that
// thread, between the host's other messages, never from a thread of ours. Where the system
// has no dispatch of its own to serve it (X11: the host's run loop serves the editor's
// timers and its connection), there is no such timer and startIdleTimer answers null.
//
// Threads: made, ticked and destroyed on the editor's thread.
#pragma once

#include <functional>
#include <memory>

namespace quovent::platform {

class IdleTimer {
public:
    virtual ~IdleTimer() = default;
};

// Calls tick about every `milliseconds` until the timer is destroyed; null where the system
// has no timer served by this thread's dispatch. A tick never nests inside itself: one that
// falls due while the last still runs (a modal loop inside tick) is skipped.
std::unique_ptr<IdleTimer> startIdleTimer(int milliseconds, std::function<void()> tick);

} // namespace quovent::platform
