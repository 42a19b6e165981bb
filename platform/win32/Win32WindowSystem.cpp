// The Windows window backend's entry points. The editor's Win32 window does not exist yet:
// no window system is offered, so the host is told there is no editor and the editor
// object runs headless (it still owns and plays the model).
#include "platform/WindowSystem.hpp"

namespace quovent::platform {

std::unique_ptr<WindowSystem> createNativeWindowSystem() {
    return nullptr;
}

bool hasNativeWindowSystem() {
    return false;
}

} // namespace quovent::platform
