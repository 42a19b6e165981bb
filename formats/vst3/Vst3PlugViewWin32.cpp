// Windows hosts hand the view an HWND; the thread's message loop serves the view's timer.
#include "formats/vst3/Vst3PlugView.hpp"

namespace quovent {

const char* Vst3PlugView::platformType() noexcept {
    return vst3::kPlatformTypeHWND;
}

bool Vst3PlugView::needsRunLoop() noexcept {
    return false;
}

} // namespace quovent
