// Vertical slider drawing and dragging.
#include "widgets/VerticalSlider.hpp"

#include <algorithm>
#include <cmath>

namespace quovent {

namespace mouse = platform::mouse;

VerticalSlider::VerticalSlider(Rect size, ValueListener* listener, int tag, BitmapPtr groove,
                               BitmapPtr handle)
    : Control(size, listener, tag, std::move(groove)), handle_(std::move(handle)) {}

int VerticalSlider::handleHeight() const noexcept {
    return handle_ ? std::min(handle_->height(), height()) : 0;
}

int VerticalSlider::travel() const noexcept {
    return std::max(0, height() - handleHeight());
}

int VerticalSlider::handleTop() const noexcept {
    const float range = max() - min();
    float normalized = range != 0.0f ? (value() - min()) / range : 0.0f;
    normalized = std::clamp(normalized, 0.0f, 1.0f);
    return rect().top + static_cast<int>(std::lround((1.0f - normalized) * travel()));
}

float VerticalSlider::valueForHandleTop(float top) const noexcept {
    if (travel() == 0) {
        return value();
    }
    const float normalized = 1.0f - (top - static_cast<float>(rect().top)) / travel();
    return min() + normalized * (max() - min());
}

void VerticalSlider::paint(DrawContext& context) {
    drawLayered(context, [this](DrawContext& c) {
        paintFrame(c, 0);
        if (handle_) {
            const int top = handleTop() - rect().top;
            handle_->draw(c, Rect::sized(0, top, handle_->width(), handleHeight()));
        }
    });
}

void VerticalSlider::onMouseDown(DrawContext& context, Point where) {
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
    // Where on the handle the pointer holds it.
    float grip = static_cast<float>(handleHeight()) / 2.0f;
    if (!freeClick_) {
        const int top = handleTop();
        if (where.y < top || where.y > top + handleHeight()) {
            return;
        }
        grip = static_cast<float>(where.y - top);
    }
    Tracking tracking(*this);
    bool fine = false;
    float fineStartValue = 0.0f;
    int fineStartY = 0;
    while (true) {
        const unsigned buttons = mouseButtons();
        if ((buttons & mouse::kLeft) == 0) {
            break;
        }
        const int y = mousePosition().y;
        const float before = value();
        if ((buttons & mouse::kShift) != 0) {
            if (!fine) {
                fine = true;
                fineStartValue = value();
                fineStartY = y;
            }
            const float moved = valueForHandleTop(static_cast<float>(y)) -
                                valueForHandleTop(static_cast<float>(fineStartY));
            setValue(fineStartValue + moved / kFineDivisor);
        } else {
            fine = false;
            setValue(valueForHandleTop(static_cast<float>(y) - grip));
        }
        bounceValue();
        if (value() != before || isDirty()) {
            showAndReport(context);
        }
        if (!tracking.next()) {
            break;
        }
    }
}

bool VerticalSlider::onWheel(DrawContext& context, Point /*where*/, float distance) {
    return turnByWheel(context, distance);
}

} // namespace quovent
