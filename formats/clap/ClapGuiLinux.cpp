// Linux hosts hand the GUI an X11 window and serve it from their main loop.
#include "formats/clap/ClapGui.hpp"

#include <cstdint>

namespace quovent {

const char* ClapGui::api() noexcept {
    return clap::kWindowApiX11;
}

bool ClapGui::needsHostLoop() noexcept {
    return true;
}

// The editor takes an X11 parent's window id in a pointer, as the other formats hand it over.
void* ClapGui::parentOf(const clap::Window& window) noexcept {
    return reinterpret_cast<void*>( // NOLINT(performance-no-int-to-ptr)
        static_cast<std::uintptr_t>(window.x11));
}

} // namespace quovent
