// Step buttons: display of a step's lane value and painting a row by dragging.
#include "editor/StepButton.hpp"

#include "widgets/FrameWindow.hpp"

#include <algorithm>

namespace quovent {

namespace {
constexpr int kTag = 131;
constexpr float kOffLift = 0.512f;

bool continuesPress(unsigned b) {
    return b == StepButton::kPaint || b == StepButton::kDraw ||
           b == StepButton::kDrawOnThroughOff || b == StepButton::kDrawOnThroughAll;
}

bool startsPress(unsigned b) {
    return continuesPress(b) || b == StepButton::kResetLeft || b == StepButton::kResetRight;
}
} // namespace

int StepButton::paintValue_ = -1;
int StepButton::depth_ = 0;
bool StepButton::passOn_ = true;

StepButton::StepButton(Rect size, ValueListener* listener, BitmapPtr background, Row& row, int step)
    : Knob(size, listener, kTag, std::move(background), kFrames, kFrameHeight), row_(row),
      step_(step) {
    refresh();
}

float StepButton::shownValue(bool on, float laneValue) noexcept {
    const float half = laneValue * 0.5f;
    return on ? half : std::min(1.0f, half + kOffLift);
}

float StepButton::heightValue(int y, int top) noexcept {
    const int c = std::clamp(y - top, 0, kFrameHeight);
    return static_cast<float>(kFrameHeight - c) / static_cast<float>(kFrameHeight);
}

void StepButton::load(const PatternRow& row, int step) {
    on_ = row.stepOn(step);
    for (int k = 0; k < PatternRow::kLanes; ++k) {
        lanes_[static_cast<std::size_t>(k)] = row.lane(k, step);
    }
    refresh();
    setDirty();
}

void StepButton::refresh() {
    setValue(shownValue(on_, laneValue(row_.editLane())));
}

void StepButton::onMouseDown(DrawContext& context, Point where) {
    // The buttons are those of the press, read before the modal idle: a click released
    // while the host takes its idle still acts once on the step it hit.
    handlePress(context, mouseButtons(), where);
}

void StepButton::handlePress(DrawContext& context, unsigned pressed, Point at) {
    if (frame() == nullptr || frame()->isClosing()) {
        return;
    }
    const bool outermost = depth_ == 0;
    if (outermost) {
        passOn_ = true;
    }
    ++depth_;
    frame()->doIdle();
    if (paintValue_ < 0) {
        paintValue_ = on_ ? 0 : 1;
    }
    if (startsPress(pressed) && frame() != nullptr && !frame()->isClosing()) {
        track(context, pressed, at);
    }
    --depth_;
    // A neighbour's loop only ends when the buttons changed, so the press is over once the
    // outermost button's loop ends; resetting earlier would lose the flag being painted.
    if (outermost) {
        paintValue_ = -1;
    }
}

void StepButton::apply(unsigned buttons, float height) {
    const auto lane = static_cast<std::size_t>(row_.editLane());
    switch (buttons) {
    case kPaint:
        on_ = paintValue_ != 0;
        break;
    case kDraw:
    case kDrawOnThroughOff:
    case kDrawOnThroughAll:
        lanes_[lane] = height;
        break;
    default:
        return;
    }
    refresh();
}

void StepButton::track(DrawContext& context, unsigned pressed, Point at) {
    Tracking tracking(*this);
    for (bool first = true;; first = false) {
        Point p = first ? at : mousePosition();
        const unsigned b = first ? pressed : mouseButtons();
        apply(b, heightValue(p.y, rect().top));
        if (b == kDrawOnThroughOff || b == kDrawOnThroughAll) {
            if (right_ != nullptr && (b == kDrawOnThroughAll || !right_->on_)) {
                // The neighbour goes on with this pass's buttons and point: on the first
                // pass of a press those of the press, which may be over by now.
                right_->handlePress(context, b, p);
                p = mousePosition();
            }
            if (p.x < rect().left) {
                passOn_ = false;
            }
        } else if (b == kResetLeft || b == kResetRight) {
            row_.resetLane();
        }
        report(&context);
        if (!tracking.next()) {
            return;
        }
        p = mousePosition();
        if (passOn_) {
            if (p.x < rect().left && left_ != nullptr) {
                left_->onMouseDown(context, p);
            } else if (p.x >= rect().right && right_ != nullptr) {
                right_->onMouseDown(context, p);
            }
        }
        if (!tracking.alive() || !continuesPress(mouseButtons())) {
            return;
        }
    }
}

} // namespace quovent
