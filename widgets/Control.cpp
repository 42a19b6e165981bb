// Control base: value, dirty state, layered drawing and the tracking bracket.
#include "widgets/Control.hpp"

#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

#include <algorithm>

namespace quovent {

Control::Control(Rect size, ValueListener* listener, int tag, BitmapPtr background)
    : rect_(size), listener_(listener), tag_(tag), background_(std::move(background)) {}

Control::~Control() = default;

void Control::draw(DrawContext& context) {
    paint(context);
    lastDrawn_ = value_;
    dirty_ = false;
}

void Control::update(DrawContext& context) {
    if (isDirty()) {
        draw(context);
    }
}

void Control::setValue(float value) {
    value_ = value;
}

void Control::bounceValue() {
    value_ = std::clamp(value_, std::min(min_, max_), max_);
}

void Control::setRect(Rect r) {
    rect_ = r;
    if (frame_ != nullptr) {
        frame_->setDirty();
    }
}

void Control::setBackground(BitmapPtr bitmap) {
    background_ = std::move(bitmap);
    dirty_ = true;
}

void Control::setDirty(bool dirty) noexcept {
    dirty_ = dirty;
    if (!dirty) {
        lastDrawn_ = value_;
    }
}

void Control::paint(DrawContext& context) {
    drawLayered(context, [this](DrawContext& c) { paintFrame(c, 0); });
}

void Control::drawLayered(DrawContext& context, const std::function<void(DrawContext&)>& painter) {
    if (rect_.empty()) {
        return;
    }
    const Point origin = drawOrigin();
    auto offscreen =
        context.createOffscreen(Rect::sized(origin.x, origin.y, rect_.width(), rect_.height()));
    if (!offscreen) {
        return;
    }
    if (frame_ != nullptr) {
        frame_->paintBehind(*offscreen, *this);
    }
    painter(*offscreen);
    context.drawCanvas(*offscreen, origin);
}

namespace {
// Where the canvas being painted starts in frame coordinates: (0, 0) for the window, a
// control's corner while the controls beneath it are painted into its offscreen surface.
// Per thread, since editors of different instances may draw on different host threads.
thread_local Point gCanvasOrigin;
} // namespace

Point Control::drawOrigin() const noexcept {
    return {rect_.left - gCanvasOrigin.x, rect_.top - gCanvasOrigin.y};
}

void Control::paintShifted(Control& control, DrawContext& canvas, Point origin) {
    const Point saved = gCanvasOrigin;
    gCanvasOrigin = origin;
    control.paint(canvas);
    gCanvasOrigin = saved;
}

void Control::paintFrame(DrawContext& canvas, int index) const {
    if (background_) {
        background_->drawFrame(canvas, {0, 0, rect_.width(), rect_.height()}, index,
                               rect_.height());
    }
}

void Control::report(DrawContext* context) {
    if (listener_ != nullptr) {
        listener_->valueChanged(context, *this);
    }
}

void Control::showAndReport(DrawContext& context) {
    draw(context);
    context.flush();
    report(&context);
}

bool Control::turnByWheel(DrawContext& context, float distance) {
    Tracking tracking(*this);
    const float before = value();
    setValue(value() + distance * wheelStep() * (max() - min()));
    bounceValue();
    if (value() != before) {
        showAndReport(context);
    }
    return true;
}

unsigned Control::mouseButtons() const {
    return frame_ ? frame_->mouseButtons() : 0u;
}

Point Control::mousePosition() const {
    return frame_ ? frame_->mousePosition() : Point{};
}

Control::Tracking::Tracking(Control& control) : control_(control) {
    if (control_.frame_ != nullptr) {
        control_.frame_->host().beginEdit(static_cast<const Control&>(control_));
    }
}

Control::Tracking::~Tracking() {
    if (control_.frame_ != nullptr) {
        control_.frame_->host().endEdit(static_cast<const Control&>(control_));
    }
}

bool Control::Tracking::next() {
    if (!alive()) {
        return false;
    }
    control_.frame_->doIdle();
    return alive();
}

bool Control::Tracking::alive() const {
    return control_.frame_ != nullptr && !control_.frame_->isClosing();
}

} // namespace quovent
