// Splash picture shown as the frame's modal view.
#include "widgets/SplashControl.hpp"

#include "widgets/FrameWindow.hpp"

namespace quovent {

namespace mouse = platform::mouse;

// The picture itself: the modal view that takes the closing click.
class SplashControl::Picture final : public Control {
public:
    Picture(SplashControl& owner, Rect area, BitmapPtr bitmap)
        : Control(area, nullptr, owner.tag(), std::move(bitmap)), owner_(owner) {}

    void onMouseDown(DrawContext& context, Point /*where*/) override {
        if ((mouseButtons() & mouse::kButtons) != 0) {
            owner_.hide(context);
        }
    }

protected:
    void paint(DrawContext& context) override {
        if (background()) {
            background()->draw(context,
                               Rect::sized(drawOrigin().x, drawOrigin().y, width(), height()));
        }
    }

private:
    SplashControl& owner_;
};

SplashControl::SplashControl(Rect clickArea, ValueListener* listener, int tag, BitmapPtr picture,
                             Rect pictureRect)
    : Control(clickArea, listener, tag, {}),
      picture_(std::make_unique<Picture>(*this, pictureRect, std::move(picture))) {}

SplashControl::~SplashControl() {
    if (frame() != nullptr && frame()->modalView() == picture_.get()) {
        frame()->setModalView(nullptr);
    }
}

void SplashControl::paint(DrawContext& /*context*/) {}

void SplashControl::detaching(FrameWindow& frame) {
    if (frame.modalView() == picture_.get()) {
        frame.setModalView(nullptr);
    }
}

bool SplashControl::isShown() const noexcept {
    return frame() != nullptr && frame()->modalView() == picture_.get();
}

void SplashControl::onMouseDown(DrawContext& context, Point /*where*/) {
    if ((mouseButtons() & mouse::kButtons) != 0) {
        show(context);
    }
}

void SplashControl::show(DrawContext& context) {
    if (frame() == nullptr || isShown()) {
        return;
    }
    frame()->setModalView(picture_.get());
    picture_->draw(context);
    context.flush();
    setValue(1.0f);
    report(&context);
}

void SplashControl::hide(DrawContext& context) {
    if (!isShown()) {
        return;
    }
    frame()->setModalView(nullptr);
    frame()->update();
    setValue(0.0f);
    report(&context);
}

} // namespace quovent
