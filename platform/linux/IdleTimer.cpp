// X11 has no event dispatch of its own that a timer could ride on: on Linux the host's run
// loop calls the editor's timers and watches its connection, so there is no idle timer here.
#include "platform/IdleTimer.hpp"

namespace quovent::platform {

// NOLINTNEXTLINE(performance-unnecessary-value-param): a sink where there is a timer to keep it
std::unique_ptr<IdleTimer> startIdleTimer(int /*milliseconds*/, std::function<void()> /*tick*/) {
    return nullptr;
}

} // namespace quovent::platform
