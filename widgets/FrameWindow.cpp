// Frame window: control list, dispatch, redraw and deferred disposal.
#include "widgets/FrameWindow.hpp"

#include "widgets/FrameHost.hpp"

#include <algorithm>

namespace quovent {

using platform::Event;
using platform::EventType;

std::unique_ptr<FrameWindow> FrameWindow::open(std::unique_ptr<platform::WindowSystem> system,
                                               FrameHost& host, platform::NativeWindow parent,
                                               Rect rect, BitmapPtr background) {
    if (!system || rect.empty()) {
        return nullptr;
    }
    std::unique_ptr<FrameWindow> frame(
        new FrameWindow(std::move(system), host, rect, std::move(background)));
    frame->window_ =
        frame->system_->createChild(parent, Rect::sized(0, 0, rect.width(), rect.height()), *frame);
    if (!frame->window_) {
        return nullptr;
    }
    frame->window_->setDropTarget(true);
    frame->dirty_ = true;
    return frame;
}

FrameWindow::FrameWindow(std::unique_ptr<platform::WindowSystem> system, FrameHost& host, Rect rect,
                         BitmapPtr background)
    : system_(std::move(system)), host_(host), rect_(rect), background_(std::move(background)) {}

FrameWindow::~FrameWindow() {
    modalView_ = nullptr;
    // Controls go first (they may still reach the frame while being deleted), then the
    // window, then the connection it lives on.
    while (!controls_.empty()) {
        controls_.pop_back();
    }
    if (window_) {
        window_->setDropTarget(false);
    }
    window_.reset();
    system_.reset();
}

void FrameWindow::dispose(std::unique_ptr<FrameWindow> frame) {
    if (!frame) {
        return;
    }
    if (frame->busy_ == 0) {
        return; // deleted here
    }
    frame->closing_ = true;
    frame->selfOwned_ = true;
    if (frame->window_) {
        frame->window_->hide();
    }
    static_cast<void>(frame.release()); // the outermost BusyScope deletes it
}

FrameWindow::BusyScope::BusyScope(FrameWindow& frame) noexcept : frame_(frame) {
    ++frame_.busy_;
}

FrameWindow::BusyScope::~BusyScope() {
    if (--frame_.busy_ == 0 && frame_.selfOwned_) {
        delete &frame_; // NOLINT: the frame owns itself after dispose
    }
}

Control* FrameWindow::addControl(std::unique_ptr<Control> control) {
    if (!control) {
        return nullptr;
    }
    control->frame_ = this;
    control->dirty_ = true;
    controls_.push_back(std::move(control));
    return controls_.back().get();
}

std::unique_ptr<Control> FrameWindow::removeControl(Control* control) {
    auto it = std::find_if(controls_.begin(), controls_.end(),
                           [control](const auto& c) { return c.get() == control; });
    if (it == controls_.end()) {
        return nullptr;
    }
    std::unique_ptr<Control> owned = std::move(*it);
    controls_.erase(it);
    owned->detaching(*this);
    if (modalView_ == control) {
        modalView_ = nullptr;
    }
    owned->frame_ = nullptr;
    if (!owned->rect().empty()) {
        dirty_ = true; // what it covered shows again
    }
    return owned;
}

bool FrameWindow::contains(const Control* control) const {
    return std::any_of(controls_.begin(), controls_.end(),
                       [control](const auto& c) { return c.get() == control; });
}

Control* FrameWindow::controlAt(Point where) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        if ((*it)->mouseEnabled() && (*it)->rect().contains(where)) {
            return it->get();
        }
    }
    return nullptr;
}

void FrameWindow::idle() {
    BusyScope scope(*this);
    if (!closing_) {
        system_->serveEvents();
        if (!closing_) {
            update();
            // Whatever was drawn outside update (by the owner, through the context) shows.
            window_->canvas().flush();
        }
    }
}

void FrameWindow::update() {
    if (closing_ || !window_->isAlive()) {
        return;
    }
    DrawContext& context = window_->canvas();
    if (modalView_ != nullptr) {
        modalView_->update(context);
        context.flush();
        return;
    }
    if (dirty_) {
        paint();
        return;
    }
    // A control drawn again covers whatever lies on top of it, so those are drawn after it.
    std::vector<Rect> drawn;
    for (const auto& control : controls_) {
        const bool covered = std::any_of(drawn.begin(), drawn.end(), [&](const Rect& r) {
            return r.intersects(control->rect());
        });
        if (control->isDirty() || covered) {
            control->draw(context);
            drawn.push_back(control->rect());
        }
    }
    if (!drawn.empty()) {
        context.flush();
    }
}

void FrameWindow::paint() {
    if (closing_ || !window_->isAlive()) {
        return;
    }
    DrawContext& context = window_->canvas();
    if (background_) {
        background_->draw(context, Rect::sized(0, 0, rect_.width(), rect_.height()));
    }
    for (const auto& control : controls_) {
        control->draw(context);
    }
    if (modalView_ != nullptr) {
        modalView_->draw(context);
    }
    dirty_ = false;
    context.flush();
}

void FrameWindow::paintBehind(DrawContext& canvas, const Control& control) const {
    const Rect area = control.rect();
    if (background_) {
        background_->draw(canvas, Rect::sized(0, 0, area.width(), area.height()), area.origin());
    }
    for (const auto& below : controls_) {
        if (below.get() == &control) {
            break;
        }
        if (below->rect().intersects(area)) {
            Control::paintShifted(*below, canvas, area.origin());
        }
    }
}

void FrameWindow::setModalView(Control* view) {
    if (modalView_ == view) {
        return;
    }
    modalView_ = view;
    if (view != nullptr) {
        view->frame_ = this;
        view->setDirty();
    } else {
        dirty_ = true; // everything under the view shows again
    }
}

unsigned FrameWindow::mouseButtons() {
    if (press_.active && press_.fresh) {
        return press_.buttons;
    }
    const unsigned now = system_->mouseButtons();
    if (press_.active && press_.released) {
        return now & ~platform::mouse::kButtons;
    }
    return now;
}

Point FrameWindow::mousePosition() {
    if (press_.active && press_.fresh) {
        return press_.position;
    }
    return window_->pointer();
}

void FrameWindow::doIdle() {
    BusyScope scope(*this);
    press_.fresh = false;
    if (!closing_) {
        host_.doIdle();
    }
}

Rect FrameWindow::centredOnScreen(int width, int height) {
    const Rect screen = system_->screenBounds();
    const Point origin = window_->toScreen({0, 0});
    Point at{origin.x + (rect_.width() - width) / 2, origin.y + (rect_.height() - height) / 2};
    at.x = std::clamp(at.x, screen.left, std::max(screen.left, screen.right - width));
    at.y = std::clamp(at.y, screen.top, std::max(screen.top, screen.bottom - height));
    return Rect::sized(at.x, at.y, width, height);
}

bool FrameWindow::runModal(const platform::Window& window, const std::function<bool()>& finished) {
    constexpr int kQuietSleepMs = 2;
    while (true) {
        if (isClosing() || !window.isAlive()) {
            return false;
        }
        const int served = system_->serveEvents();
        if (served < 0) {
            return false;
        }
        if (finished()) {
            return true;
        }
        doIdle(); // may serve the window too: look again before waiting
        if (finished()) {
            return true;
        }
        if (served == 0) {
            system_->sleep(kQuietSleepMs);
        }
    }
}

bool FrameWindow::isClosing() const {
    return closing_ || !window_->isAlive() || !system_->isConnected();
}

void FrameWindow::onEvent(const Event& event) {
    if (closing_) {
        return;
    }
    switch (event.type) {
    case EventType::Paint:
        paint();
        break;
    case EventType::MouseDown:
        if (event.button >= 1 && event.button <= 3) {
            mouseDown(event);
        }
        break;
    case EventType::MouseUp:
        if (event.button >= 1 && event.button <= 3) {
            mouseUp();
        }
        break;
    case EventType::Wheel:
        wheel(event.position, event.delta);
        break;
    case EventType::KeyDown:
        host_.onKeyDown(event.key);
        break;
    case EventType::KeyUp:
        host_.onKeyUp(event.key);
        break;
    case EventType::Drop:
        if (event.drop != nullptr) {
            drop(event.position, *event.drop);
        }
        break;
    default:
        break;
    }
}

void FrameWindow::mouseDown(const Event& event) {
    if (blocked_ > 0) {
        // A control is tracking (its own loop reads the mouse) or a menu or dialog is open.
        // Only a press handled alone whose release has been seen makes way for a new one.
        if (blocked_ == 1 && press_.active && press_.released) {
            pendingPress_ = event;
            pendingReleased_ = false;
        }
        return;
    }
    window_->takeFocus();
    BusyScope scope(*this);
    InputBlock block(*this);
    dispatchPress(event, false);
    while (pendingPress_ && !closing_) {
        const Event next = *pendingPress_;
        const bool released = pendingReleased_;
        pendingPress_.reset();
        dispatchPress(next, released);
    }
    pendingPress_.reset();
}

void FrameWindow::mouseUp() {
    if (pendingPress_) {
        pendingReleased_ = true;
    } else if (press_.active) {
        press_.released = true;
    }
}

void FrameWindow::dispatchPress(const Event& event, bool released) {
    const Point where = event.position;
    Control* target = nullptr;
    if (modalView_ != nullptr) {
        if (modalView_->rect().contains(where)) {
            target = modalView_;
        }
    } else {
        target = controlAt(where);
    }
    if (target == nullptr) {
        return;
    }
    // A window system that leaves the button out of the press state still names it.
    const unsigned buttons = event.modifiers | platform::mouse::bitOf(event.button);
    press_ = {true, true, released, buttons, where};
    target->onMouseDown(window_->canvas(), where);
    press_ = {};
}

void FrameWindow::wheel(Point where, int delta) {
    if (blocked_ > 0 || modalView_ != nullptr) {
        return;
    }
    if (Control* target = controlAt(where)) {
        BusyScope scope(*this);
        InputBlock block(*this);
        target->onWheel(window_->canvas(), where, static_cast<float>(delta));
    }
}

Control* FrameWindow::dropTargetAt(Point where, int type) const {
    // Controls that take no drops let it through to the one beneath (the folder button that
    // lies on a slot's name field must not swallow a file dropped there).
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        const Control& c = **it;
        if (c.mouseEnabled() && c.rect().contains(where) && c.acceptsDrop(type)) {
            return it->get();
        }
    }
    return nullptr;
}

bool FrameWindow::acceptsDrop(Point where, int type) {
    return !closing_ && blocked_ == 0 && modalView_ == nullptr &&
           dropTargetAt(where, type) != nullptr;
}

void FrameWindow::drop(Point where, const platform::DropData& data) {
    if (blocked_ > 0 || modalView_ != nullptr) {
        return;
    }
    if (Control* target = dropTargetAt(where, data.type)) {
        BusyScope scope(*this);
        InputBlock block(*this);
        target->onDrop(window_->canvas(), data, where);
    }
}

} // namespace quovent
