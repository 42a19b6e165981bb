// Toggle button.
#include "widgets/ToggleButton.hpp"

namespace quovent {

ToggleButton::ToggleButton(Rect size, ValueListener* listener, int tag, BitmapPtr background)
    : Control(size, listener, tag, std::move(background)) {}

void ToggleButton::paint(DrawContext& context) {
    drawLayered(context, [this](DrawContext& c) { paintFrame(c, value() != 0.0f ? 1 : 0); });
}

void ToggleButton::onMouseDown(DrawContext& context, Point /*where*/) {
    if ((mouseButtons() & platform::mouse::kLeft) == 0) {
        return;
    }
    setValue(value() != 0.0f ? 0.0f : 1.0f);
    showAndReport(context);
}

} // namespace quovent
