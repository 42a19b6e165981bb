// Bitmap decoding for the Windows build. Bitmaps are only ever drawn into the editor's
// window, which this build does not have yet (see Win32WindowSystem.cpp), so no decoder is
// linked: every bitmap is empty and nothing asks to draw one.
#include "platform/Image.hpp"

namespace quovent::platform {

std::shared_ptr<const Image> decodePng(std::span<const unsigned char> /*data*/) {
    return nullptr;
}

} // namespace quovent::platform
