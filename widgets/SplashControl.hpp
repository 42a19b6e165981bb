// An invisible click area that shows a larger picture: a click shows the bitmap in its own
// rectangle as the frame's modal view (value 1, reported); the next click on the picture
// takes it away and restores the frame (value 0, reported).
#pragma once

#include "widgets/Control.hpp"

#include <memory>

namespace quovent {

class SplashControl : public Control {
public:
    SplashControl(Rect clickArea, ValueListener* listener, int tag, BitmapPtr picture,
                  Rect pictureRect);
    ~SplashControl() override;

    void onMouseDown(DrawContext& context, Point where) override;

    bool isShown() const noexcept;
    void show(DrawContext& context);
    void hide(DrawContext& context);

protected:
    void paint(DrawContext& context) override;
    void detaching(FrameWindow& frame) override;

private:
    class Picture;
    std::unique_ptr<Picture> picture_;
};

} // namespace quovent
