// Value display drawing.
#include "widgets/ValueDisplay.hpp"

#include <cstdio>

namespace quovent {

ValueDisplay::ValueDisplay(Rect size, ValueListener* listener, int tag, BitmapPtr background,
                           int style)
    : Control(size, listener, tag, std::move(background)), style_(style) {}

std::string ValueDisplay::displayText() const {
    if (valueToText_) {
        return valueToText_(value());
    }
    char text[64];
    std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value()));
    return text;
}

void ValueDisplay::paint(DrawContext& context) {
    if ((style_ & displayStyle::kNoDraw) != 0) {
        return;
    }
    drawLayered(context, [this](DrawContext& c) {
        const Rect area{0, 0, width(), height()};
        if (background() && !background()->empty()) {
            background()->draw(c, area);
        } else {
            c.fillRect(area, backColor_);
        }
        const int frame = style_ & displayStyle::kFrameMask;
        if (frame == displayStyle::kFrameMask) {
            c.strokeRect(area, frameColor_);
        } else if (frame != 0) {
            const bool raised = frame == displayStyle::kRaisedFrame;
            const Color light = raised ? frameColor_ : shadowColor_;
            const Color dark = raised ? shadowColor_ : frameColor_;
            const int r = area.right - 1;
            const int b = area.bottom - 1;
            c.drawLine({0, 0}, {r, 0}, light);
            c.drawLine({0, 0}, {0, b}, light);
            c.drawLine({0, b}, {r, b}, dark);
            c.drawLine({r, 0}, {r, b}, dark);
        }
        if ((style_ & displayStyle::kNoText) == 0) {
            paintText(c, area);
        }
    });
}

void ValueDisplay::paintText(DrawContext& canvas, Rect area) const {
    const std::string text = displayText();
    if (text.empty()) {
        return;
    }
    platform::TextStyle style;
    style.font = font_;
    style.fontStyle = fontStyle_;
    style.align = align_ == 2   ? platform::TextAlign::Right
                  : align_ == 0 ? platform::TextAlign::Left
                                : platform::TextAlign::Center;
    if (style.align == platform::TextAlign::Left) {
        area.left += 1;
    }
    if ((style_ & displayStyle::kShadowText) != 0) {
        style.color = shadowColor_;
        canvas.drawText(text, area.offset(1, 1), style);
    }
    style.color = textColor_;
    canvas.drawText(text, area, style);
}

} // namespace quovent
