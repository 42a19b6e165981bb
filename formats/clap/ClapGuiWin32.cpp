// Windows hosts hand the GUI an HWND; the thread's message loop serves the editor's timer.
#include "formats/clap/ClapGui.hpp"

namespace quovent {

const char* ClapGui::api() noexcept {
    return clap::kWindowApiWin32;
}

bool ClapGui::needsHostLoop() noexcept {
    return false;
}

void* ClapGui::parentOf(const clap::Window& window) noexcept {
    return window.win32;
}

} // namespace quovent
