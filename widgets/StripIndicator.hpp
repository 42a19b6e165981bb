// A read-only indicator drawn from a strip of n frames: frame = value x (n - 1) rounded to
// the nearest integer, a value above 1 counting as 1 (and below 0 as 0).
#pragma once

#include "widgets/Control.hpp"

namespace quovent {

class StripIndicator : public Control {
public:
    StripIndicator(Rect size, ValueListener* listener, int tag, BitmapPtr background, int frames,
                   int frameHeight = 0);

    int frames() const noexcept { return frames_; }
    int frameIndex() const noexcept;

protected:
    void paint(DrawContext& context) override;

private:
    int frames_;
    int frameHeight_;
};

} // namespace quovent
