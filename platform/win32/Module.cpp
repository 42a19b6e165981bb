#include "platform/win32/Module.hpp"

#include <atomic>

namespace quovent::platform::win32 {

namespace {
std::atomic<HMODULE> moduleHandle{nullptr};
} // namespace

void Module::setHandle(HMODULE module) noexcept {
    moduleHandle.store(module, std::memory_order_release);
}

HMODULE Module::handle() noexcept {
    return moduleHandle.load(std::memory_order_acquire);
}

} // namespace quovent::platform::win32
