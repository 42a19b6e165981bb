// Step switch drawing and picking.
#include "widgets/StepSwitch.hpp"

#include <algorithm>
#include <cmath>

namespace quovent {

namespace mouse = platform::mouse;

StepSwitch::StepSwitch(Rect size, ValueListener* listener, int tag, BitmapPtr background,
                       int positions, int frameHeight)
    : Control(size, listener, tag, std::move(background)), positions_(std::max(1, positions)),
      frameHeight_(frameHeight > 0 ? frameHeight : size.height()) {}

int StepSwitch::position() const noexcept {
    const float range = max() - min();
    const float normalized =
        std::clamp(range != 0.0f ? (value() - min()) / range : 0.0f, 0.0f, 1.0f);
    return static_cast<int>(std::lround(normalized * static_cast<float>(positions_ - 1)));
}

float StepSwitch::valueOf(int position) const noexcept {
    if (positions_ <= 1) {
        return min();
    }
    return min() +
           (max() - min()) * static_cast<float>(position) / static_cast<float>(positions_ - 1);
}

int StepSwitch::band(int offset, int length) const noexcept {
    if (length <= 0) {
        return 0;
    }
    const long long scaled = static_cast<long long>(offset) * positions_;
    const int b = offset < 0 ? -1 : static_cast<int>(scaled / length);
    return std::clamp(b, 0, positions_ - 1);
}

void StepSwitch::paint(DrawContext& context) {
    drawLayered(context, [this](DrawContext& c) {
        if (background()) {
            background()->drawFrame(c, {0, 0, width(), height()}, position(), frameHeight_);
        }
    });
}

void StepSwitch::onMouseDown(DrawContext& context, Point /*where*/) {
    const unsigned pressed = mouseButtons();
    if ((pressed & mouse::kLeft) == 0) {
        return;
    }
    Tracking tracking(*this);
    if (pressed == (mouse::kControl | mouse::kLeft)) {
        setValue(defaultValue());
        if (isDirty()) {
            draw(context);
            context.flush();
        }
        report(&context);
        return;
    }
    while (true) {
        const unsigned buttons = mouseButtons();
        if ((buttons & mouse::kLeft) == 0) {
            break;
        }
        const float before = value();
        setValue(valueOf(positionAt(mousePosition())));
        if (value() != before) {
            showAndReport(context);
        }
        if (!tracking.next()) {
            break;
        }
    }
}

} // namespace quovent
