// Momentary button tracking.
#include "widgets/MomentaryButton.hpp"

namespace quovent {

MomentaryButton::MomentaryButton(Rect size, ValueListener* listener, int tag, BitmapPtr background)
    : Control(size, listener, tag, std::move(background)) {}

void MomentaryButton::paint(DrawContext& context) {
    drawLayered(context, [this](DrawContext& c) { paintFrame(c, value() != 0.0f ? 1 : 0); });
}

void MomentaryButton::onMouseDown(DrawContext& context, Point /*where*/) {
    const unsigned pressed = mouseButtons();
    if ((pressed & platform::mouse::kLeft) == 0) {
        return;
    }
    const float entry = value();
    Tracking tracking(*this);
    held_ = true;
    // The first pass always runs, so a click that is over before the button looks again
    // still reports the opposite value once before the release.
    do {
        const bool inside = rect().contains(mousePosition());
        setValue(inside ? (entry != 0.0f ? 0.0f : 1.0f) : entry);
        update(context);
        report(&context);
        if (!tracking.next()) {
            break;
        }
    } while (mouseButtons() == pressed);
    held_ = false;
    setValue(0.0f);
    if (tracking.alive()) {
        update(context);
    }
    report(&context);
}

} // namespace quovent
