// Pop-up menu window: layout, drawing, input and its modal loop.
#include "widgets/MenuWindow.hpp"

#include "widgets/FrameWindow.hpp"

#include <algorithm>

namespace quovent {

using platform::Event;
using platform::EventType;
using platform::Key;

namespace {
constexpr Color kMenuBack{242, 242, 242, 255};
constexpr Color kMenuBorder{110, 110, 110, 255};
constexpr Color kMenuText{0, 0, 0, 255};
constexpr Color kMenuGreyed{150, 150, 150, 255};
constexpr Color kMenuHighlight{48, 120, 210, 255};
constexpr Color kMenuHighlightText{255, 255, 255, 255};
constexpr Color kMenuLine{200, 200, 200, 255};

// Per thread: editors of different instances may live on different host threads.
thread_local MenuWindow* gActive = nullptr;
} // namespace

MenuWindow::MenuWindow(FrameWindow& frame, const MenuModel& model, int font)
    : frame_(frame), model_(model), font_(font) {}

MenuWindow::~MenuWindow() {
    if (gActive == this) {
        gActive = previous_;
    }
}

MenuWindow* MenuWindow::active() noexcept {
    return gActive;
}

Rect MenuWindow::itemScreenRect(int index) const {
    if (index < 0 || index >= static_cast<int>(layout_.items.size())) {
        return {};
    }
    return layout_.items[static_cast<std::size_t>(index)].offset(screenRect_.left, screenRect_.top);
}

int MenuWindow::run(Point topLeft) {
    FrameWindow::BusyScope busy(frame_);
    FrameWindow::InputBlock block(frame_);
    if (frame_.isClosing()) {
        return -1;
    }
    platform::WindowSystem& system = frame_.windowSystem();
    DrawContext& measureCanvas = frame_.context();
    const int itemHeight = measureCanvas.lineHeight(font_, 0) + 6;
    const Rect screen = system.screenBounds();
    layout_ = model_.layout(
        [&](std::string_view text) { return measureCanvas.textWidth(text, font_, 0); }, itemHeight,
        kSeparatorHeight, screen.height());

    // Keep the whole menu on the screen: shift it left and up where it would run off.
    Point at = topLeft;
    at.x = std::max(screen.left, std::min(at.x, screen.right - layout_.width));
    at.y = std::max(screen.top, std::min(at.y, screen.bottom - layout_.height));
    screenRect_ = Rect::sized(at.x, at.y, layout_.width, layout_.height);

    window_ = system.createPopup(screenRect_, *this);
    if (!window_) {
        return -1;
    }
    previous_ = gActive;
    gActive = this;
    window_->show();
    window_->grabInput();
    openedAt_ = window_->pointer();
    lastButtons_ = system.mouseButtons();
    paint();

    const bool ended = frame_.runModal(*window_, [this] {
        if (!done_) {
            pollButtons();
        }
        return done_;
    });
    if (!ended) {
        finish(-1);
    }

    window_->releaseInput();
    window_->hide();
    window_.reset();
    gActive = previous_;
    // The click that closed the menu must reach no control of the frame.
    if (!frame_.isClosing()) {
        frame_.window().discardMouseEvents();
    }
    return result_;
}

void MenuWindow::finish(int result) {
    result_ = result;
    done_ = true;
}

int MenuWindow::itemAt(Point p) const {
    for (std::size_t i = 0; i < layout_.items.size(); ++i) {
        if (layout_.items[i].containsPixel(p)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void MenuWindow::highlight(int index) {
    if (!model_.selectable(index)) {
        index = -1;
    }
    if (index != highlighted_) {
        highlighted_ = index;
        paint();
    }
}

void MenuWindow::moveHighlight(int step) {
    const int n = model_.size();
    if (n == 0) {
        return;
    }
    int i = highlighted_;
    for (int tries = 0; tries < n; ++tries) {
        i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
        if (model_.selectable(i)) {
            highlight(i);
            return;
        }
    }
}

// Without a pointer grab (another program holds one) clicks outside never reach the menu;
// watching the button state still lets such a click dismiss it.
void MenuWindow::pollButtons() {
    const unsigned buttons = frame_.windowSystem().mouseButtons() & platform::mouse::kButtons;
    const bool newPress = (buttons & ~lastButtons_) != 0;
    lastButtons_ = buttons;
    if (newPress && !window_->bounds().containsPixel(window_->pointer())) {
        finish(-1);
    }
}

void MenuWindow::onEvent(const Event& event) {
    if (done_) {
        return;
    }
    switch (event.type) {
    case EventType::Paint:
        paint();
        break;
    case EventType::MouseMove:
        if (event.position != openedAt_) {
            moved_ = true;
        }
        highlight(itemAt(event.position));
        break;
    case EventType::MouseDown:
        lastButtons_ |= 1u << (event.button - 1);
        if (!window_->bounds().containsPixel(event.position)) {
            finish(-1);
        } else {
            moved_ = true; // a press inside the menu makes its release a choice
            highlight(itemAt(event.position));
        }
        break;
    case EventType::MouseUp: {
        if (event.button > 3) {
            break;
        }
        if (!moved_ && event.position == openedAt_) {
            break; // the release of the press that opened the menu
        }
        const int index = itemAt(event.position);
        if (model_.selectable(index)) {
            finish(index);
        }
        break;
    }
    case EventType::KeyDown:
        switch (event.key.key) {
        case Key::Escape:
            finish(-1);
            break;
        case Key::Up:
            moveHighlight(-1);
            break;
        case Key::Down:
            moveHighlight(1);
            break;
        case Key::Left:
            moveHighlight(-std::max(1, model_.columnLength()));
            break;
        case Key::Right:
            moveHighlight(std::max(1, model_.columnLength()));
            break;
        case Key::Return:
        case Key::Space:
            if (highlighted_ >= 0) {
                finish(highlighted_);
            }
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

void MenuWindow::paint() {
    if (!window_ || !window_->isAlive()) {
        return;
    }
    DrawContext& c = window_->canvas();
    const Rect all = window_->bounds();
    c.fillRect(all, kMenuBack);
    platform::TextStyle style;
    style.font = font_;
    for (int i = 0; i < model_.size(); ++i) {
        const MenuItem& item = model_.item(i);
        const Rect r = layout_.items[static_cast<std::size_t>(i)];
        if (i > 0 && r.top == MenuModel::kBorder) {
            c.drawLine({r.left - 1, 1}, {r.left - 1, all.bottom - 2}, kMenuLine);
        }
        if (item.kind == MenuItem::Kind::Separator) {
            const int y = r.top + r.height() / 2;
            c.drawLine({r.left + 4, y}, {r.right - 5, y}, kMenuLine);
            continue;
        }
        const bool lit = i == highlighted_;
        if (lit) {
            c.fillRect(r, kMenuHighlight);
        }
        style.color = lit                                   ? kMenuHighlightText
                      : item.kind == MenuItem::Kind::Greyed ? kMenuGreyed
                                                            : kMenuText;
        Rect textArea = r;
        textArea.left += MenuModel::kTextInset;
        c.drawText(item.text, textArea, style);
    }
    c.strokeRect(all, kMenuBorder);
    c.flush();
}

} // namespace quovent
