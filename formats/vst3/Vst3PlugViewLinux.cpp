// Linux hosts hand the view an X11 window id and serve it from their run loop.
#include "formats/vst3/Vst3PlugView.hpp"

namespace quovent {

const char* Vst3PlugView::platformType() noexcept {
    return vst3::kPlatformTypeX11EmbedWindowID;
}

bool Vst3PlugView::needsRunLoop() noexcept {
    return true;
}

} // namespace quovent
