// Building and showing a slot's step buttons.
#include "editor/StepButtonRow.hpp"

#include "editor/Editor.hpp"
#include "widgets/FrameWindow.hpp"

namespace quovent {

namespace {
constexpr int kLeftInset = 3;
constexpr int kRaise = 8;
} // namespace

void StepButtonRow::build(FrameWindow& frame, Point origin, const BitmapPtr& bitmap) {
    const int width = bitmap->empty() ? 20 : bitmap->width();
    for (int k = 0; k < PatternRow::kSteps; ++k) {
        const Rect r = Rect::sized(origin.x + kLeftInset + width * k, origin.y - kRaise, width,
                                   StepButton::kFrameHeight);
        buttons_[static_cast<std::size_t>(k)] =
            frame.add(std::make_unique<StepButton>(r, &editor_, bitmap, *this, k));
    }
    for (std::size_t k = 0; k < buttons_.size(); ++k) {
        buttons_[k]->setNeighbours(k > 0 ? buttons_[k - 1] : nullptr,
                                   k + 1 < buttons_.size() ? buttons_[k + 1] : nullptr);
    }
    show();
}

void StepButtonRow::show() {
    if (!built()) {
        return;
    }
    const PatternRow& row = editor_.sequencer().patterns().currentRow(slot_);
    for (int k = 0; k < PatternRow::kSteps; ++k) {
        buttons_[static_cast<std::size_t>(k)]->load(row, k);
    }
}

void StepButtonRow::refresh() {
    for (StepButton* b : buttons_) {
        if (b != nullptr) {
            b->refresh();
        }
    }
}

int StepButtonRow::stepOf(const Control* control) const noexcept {
    for (std::size_t k = 0; k < buttons_.size(); ++k) {
        if (buttons_[k] == control) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

int StepButtonRow::editLane() const {
    return editor_.stepEditLane();
}

void StepButtonRow::resetLane() {
    editor_.sequencer().patterns().currentRow(slot_).initLane(editLane());
    show();
}

} // namespace quovent
