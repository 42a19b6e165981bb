// One step of a slot's row: a knob-like control drawn from the 70-frame step bitmap whose
// frame shows the step's on flag and its value in the lane being edited. A press paints the
// whole row: left sets every step the pointer passes to the inverse of the first step's flag,
// right writes the pointer's height into the edited lane, right with shift runs on through
// the following off steps, right with control through all following steps, and alt resets the
// lane of the whole row. Editor thread only.
#pragma once

#include "engine/PatternRow.hpp"
#include "widgets/Knob.hpp"

#include <array>

namespace quovent {

class StepButton : public Knob {
public:
    static constexpr int kFrames = 70;
    static constexpr int kFrameHeight = 34;
    // Exact mouseButtons combinations a press acts on.
    static constexpr unsigned kPaint = 1;             // left
    static constexpr unsigned kDraw = 4;              // right
    static constexpr unsigned kDrawOnThroughOff = 12; // right + shift
    static constexpr unsigned kDrawOnThroughAll = 20; // right + control
    static constexpr unsigned kResetLeft = 33;        // alt + left
    static constexpr unsigned kResetRight = 36;       // alt + right

    // What a step asks of the row it belongs to.
    class Row {
    public:
        virtual ~Row() = default;
        virtual int editLane() const = 0;
        // Sets the edited lane of the whole row to its default and shows the row again.
        virtual void resetLane() = 0;
    };

    StepButton(Rect size, ValueListener* listener, BitmapPtr background, Row& row, int step);

    void onMouseDown(DrawContext& context, Point where) override;
    // The wheel does not edit steps.
    bool onWheel(DrawContext& /*context*/, Point /*where*/, float /*distance*/) override {
        return false;
    }

    void setNeighbours(StepButton* left, StepButton* right) noexcept {
        left_ = left;
        right_ = right;
    }
    int step() const noexcept { return step_; }
    bool on() const noexcept { return on_; }
    float laneValue(int lane) const noexcept { return lanes_[static_cast<std::size_t>(lane)]; }
    // Takes the step's flag and lanes from a pattern row and shows the edited lane.
    void load(const PatternRow& row, int step);
    // Recomputes the shown value for the row's edited lane.
    void refresh();

    // The value drawn: lane value x 0.5 for an on step, lane value x 0.5 + 0.512 (at most
    // 1) for an off step, so on and off steps use the two halves of the bitmap.
    static float shownValue(bool on, float laneValue) noexcept;
    // The lane value the pointer's height stands for: 1 at the top edge, 0 from 34 pixels
    // below it.
    static float heightValue(int y, int top) noexcept;

private:
    // A press on this button, by the user or handed on by a neighbour, with the buttons
    // and the pointer position its first pass acts on.
    void handlePress(DrawContext& context, unsigned pressed, Point at);
    void track(DrawContext& context, unsigned pressed, Point at);
    void apply(unsigned buttons, float height);

    Row& row_;
    int step_;
    std::array<float, PatternRow::kLanes> lanes_{1.0f, 0.5f, 1.0f, 0.0f, 0.5f};
    bool on_ = false;
    StepButton* left_ = nullptr;
    StepButton* right_ = nullptr;

    // One press is shared by every button it reaches: the flag a left drag paints (-1
    // while no press is going on), how deep the hand-over between neighbours is, and
    // whether hand-over is still allowed.
    static int paintValue_;
    static int depth_;
    static bool passOn_;
};

} // namespace quovent
