// Strip indicator drawing.
#include "widgets/StripIndicator.hpp"

#include <algorithm>
#include <cmath>

namespace quovent {

StripIndicator::StripIndicator(Rect size, ValueListener* listener, int tag, BitmapPtr background,
                               int frames, int frameHeight)
    : Control(size, listener, tag, std::move(background)), frames_(std::max(1, frames)),
      frameHeight_(frameHeight > 0 ? frameHeight : size.height()) {}

int StripIndicator::frameIndex() const noexcept {
    // NaN compares false everywhere and would survive clamp; it shows the first frame.
    const float v = std::isnan(value()) ? 0.0f : std::clamp(value(), 0.0f, 1.0f);
    return static_cast<int>(std::lround(v * static_cast<float>(frames_ - 1)));
}

void StripIndicator::paint(DrawContext& context) {
    drawLayered(context, [this](DrawContext& c) {
        if (background()) {
            background()->drawFrame(c, {0, 0, width(), height()}, frameIndex(), frameHeight_);
        }
    });
}

} // namespace quovent
