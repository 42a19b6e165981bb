// Knob drawing and dragging.
#include "widgets/Knob.hpp"

#include "widgets/KnobMode.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quovent {

namespace mouse = platform::mouse;

namespace {
constexpr double kStartAngle = 1.25 * std::numbers::pi; // 225 degrees: the minimum
constexpr double kSweep = 1.5 * std::numbers::pi;       // 270 degrees clockwise
} // namespace

Knob::Knob(Rect size, ValueListener* listener, int tag, BitmapPtr background, int frames,
           int frameHeight)
    : Control(size, listener, tag, std::move(background)), frames_(std::max(1, frames)),
      frameHeight_(frameHeight > 0 ? frameHeight : size.height()) {}

int Knob::frameIndex() const noexcept {
    const float range = max() - min();
    float normalized = range != 0.0f ? (value() - min()) / range : 0.0f;
    normalized = std::clamp(normalized, 0.0f, 1.0f);
    return std::clamp(static_cast<int>(normalized * static_cast<float>(frames_ - 1)), 0,
                      frames_ - 1);
}

void Knob::paint(DrawContext& context) {
    drawLayered(context, [this](DrawContext& c) {
        if (background()) {
            background()->drawFrame(c, {0, 0, width(), height()}, frameIndex(), frameHeight_);
        }
    });
}

float Knob::valueFromAngle(Point where) const {
    const double cx = rect().left + rect().width() / 2.0;
    const double cy = rect().top + rect().height() / 2.0;
    double alpha = std::atan2(cy - where.y, where.x - cx);
    if (alpha < 0.0) {
        alpha += 2.0 * std::numbers::pi;
    }
    double d = kStartAngle - alpha; // clockwise distance from the minimum
    if (d < 0.0) {
        d += 2.0 * std::numbers::pi;
    }
    double fraction = d / kSweep;
    if (fraction > 1.0) {
        // In the gap below the centre: the nearer end.
        const double gap = 2.0 * std::numbers::pi - kSweep;
        fraction = (d - kSweep) < gap / 2.0 ? 1.0 : 0.0;
    }
    return min() + static_cast<float>(fraction) * (max() - min());
}

float Knob::wrapAngleStep(float previous, float next, float min, float max) {
    const float half = (max - min) / 2.0f;
    if (previous - next > half) {
        return max;
    }
    if (next - previous > half) {
        return min;
    }
    return next;
}

void Knob::onMouseDown(DrawContext& context, Point /*where*/) {
    const unsigned pressed = mouseButtons();
    if ((pressed & mouse::kLeft) == 0) {
        return;
    }
    if (pressed == (mouse::kControl | mouse::kLeft)) {
        Tracking tracking(*this);
        setValue(defaultValue());
        if (isDirty()) {
            draw(context);
            context.flush();
        }
        report(&context);
        return;
    }
    const bool alt = (pressed & mouse::kAlt) != 0;
    const bool linear = (knobMode() == kLinearMode) != alt;
    if (linear) {
        dragLinear(context, pressed);
    } else {
        dragAngle(context);
    }
}

void Knob::dragLinear(DrawContext& context, unsigned pressed) {
    Tracking tracking(*this);
    Point start = mousePosition();
    float startValue = value();
    unsigned previousButtons = pressed;
    while (true) {
        const unsigned buttons = mouseButtons();
        if ((buttons & mouse::kLeft) == 0) {
            break;
        }
        const Point p = mousePosition();
        if (buttons != previousButtons) {
            // A modifier went down or up: continue from here at the new speed.
            start = p;
            startValue = value();
            previousButtons = buttons;
        }
        float perPixel = (max() - min()) / kLinearRangePixels;
        if ((buttons & mouse::kShift) != 0) {
            perPixel /= kFineFactor;
        }
        const int moved = (p.x - start.x) + (start.y - p.y);
        const float before = value();
        setValue(startValue + static_cast<float>(moved) * perPixel);
        bounceValue();
        if (value() != before) {
            showAndReport(context);
        }
        if (!tracking.next()) {
            break;
        }
    }
}

void Knob::dragAngle(DrawContext& context) {
    Tracking tracking(*this);
    while (true) {
        const unsigned buttons = mouseButtons();
        if ((buttons & mouse::kLeft) == 0) {
            break;
        }
        const float before = value();
        setValue(wrapAngleStep(before, valueFromAngle(mousePosition()), min(), max()));
        bounceValue();
        if (value() != before) {
            showAndReport(context);
        }
        if (!tracking.next()) {
            break;
        }
    }
}

bool Knob::onWheel(DrawContext& context, Point /*where*/, float distance) {
    return turnByWheel(context, distance);
}

} // namespace quovent
