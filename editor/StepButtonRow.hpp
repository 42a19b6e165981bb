// The sixteen step buttons of one slot row: built when the window opens, linked to their
// neighbours, loaded from the current pattern's row of the slot. Editor thread only.
#pragma once

#include "editor/StepButton.hpp"

#include <array>

namespace quovent {

class Editor;
class FrameWindow;

class StepButtonRow final : public StepButton::Row {
public:
    StepButtonRow(Editor& editor, int slot) : editor_(editor), slot_(slot) {}

    // Adds the buttons to the frame. origin: the row's step origin; the first button's left
    // is 3 pixels right of it and its top 8 pixels above it.
    void build(FrameWindow& frame, Point origin, const BitmapPtr& bitmap);
    void detach() noexcept { buttons_.fill(nullptr); }
    bool built() const noexcept { return buttons_[0] != nullptr; }

    // Shows the current pattern's row of the slot.
    void show();
    // Shows the buttons' own values in the edited lane (the lane changed).
    void refresh();

    StepButton* button(int step) const { return buttons_.at(static_cast<std::size_t>(step)); }
    // The step of one of this row's buttons, or -1.
    int stepOf(const Control* control) const noexcept;

    int editLane() const override;
    void resetLane() override;

private:
    Editor& editor_;
    int slot_;
    std::array<StepButton*, PatternRow::kSteps> buttons_{};
};

} // namespace quovent
