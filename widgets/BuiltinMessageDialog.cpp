// Built-in message box: layout, drawing, input and its modal loop.
#include "widgets/BuiltinMessageDialog.hpp"

#include "widgets/FrameWindow.hpp"

#include <algorithm>

namespace quovent {

using platform::Event;
using platform::EventType;
using platform::Key;

namespace {
constexpr int kFont = 3;
constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 8;
constexpr Color kBack{236, 236, 236, 255};
constexpr Color kText{0, 0, 0, 255};
constexpr Color kEdge{130, 130, 130, 255};
constexpr Color kField{255, 255, 255, 255};
constexpr Color kErrorMark{200, 40, 40, 255};

// Per thread: editors of different instances may live on different host threads.
thread_local BuiltinMessageDialog* gActive = nullptr;
} // namespace

std::vector<std::string>
BuiltinMessageDialog::wrap(std::string_view text, int maxWidth,
                           const std::function<int(std::string_view)>& measure) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view paragraph = text.substr(start, end - start);
        std::string line;
        std::size_t pos = 0;
        while (pos <= paragraph.size()) {
            std::size_t blank = paragraph.find(' ', pos);
            if (blank == std::string_view::npos) {
                blank = paragraph.size();
            }
            const std::string_view word = paragraph.substr(pos, blank - pos);
            const std::string candidate =
                line.empty() ? std::string(word) : line + " " + std::string(word);
            if (!line.empty() && measure(candidate) > maxWidth) {
                lines.push_back(line);
                line = std::string(word);
            } else {
                line = candidate;
            }
            pos = blank + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

BuiltinMessageDialog::BuiltinMessageDialog(FrameWindow& frame, std::string_view caption,
                                           std::string_view text, bool yesNo, bool error)
    : frame_(frame), caption_(caption), text_(text), yesNo_(yesNo), error_(error) {}

BuiltinMessageDialog::~BuiltinMessageDialog() {
    if (gActive == this) {
        gActive = previous_;
    }
}

BuiltinMessageDialog* BuiltinMessageDialog::active() noexcept {
    return gActive;
}

Rect BuiltinMessageDialog::buttonRect(int index) const {
    const int count = buttonCount();
    const int total = count * kButtonWidth + (count - 1) * kButtonGap;
    const int left = (size_.width() - total) / 2 + index * (kButtonWidth + kButtonGap);
    return Rect::sized(left, size_.height() - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
}

Rect BuiltinMessageDialog::buttonScreenRect(int index) const {
    return buttonRect(index).offset(screenRect_.left, screenRect_.top);
}

int BuiltinMessageDialog::run() {
    FrameWindow::BusyScope busy(frame_);
    FrameWindow::InputBlock block(frame_);
    const int last = buttonCount() - 1;
    if (frame_.isClosing()) {
        return last;
    }
    DrawContext& measure = frame_.context();
    lines_ = wrap(text_, kMaxTextWidth,
                  [&](std::string_view t) { return measure.textWidth(t, kFont, 0); });
    int textWidth = 0;
    for (const std::string& l : lines_) {
        textWidth = std::max(textWidth, measure.textWidth(l, kFont, 0));
    }
    const int width = std::max(kMinWidth, textWidth + 2 * kMargin + (error_ ? 24 : 0));
    const int height =
        kMargin + static_cast<int>(lines_.size()) * kLineHeight + kMargin + kButtonHeight + kMargin;
    size_ = {0, 0, width, height};

    platform::WindowSystem& system = frame_.windowSystem();
    screenRect_ = frame_.centredOnScreen(width, height);

    window_ = system.createDialog(&frame_.window(), screenRect_, caption_, *this);
    if (!window_) {
        return last;
    }
    previous_ = gActive;
    gActive = this;
    window_->show();
    window_->takeFocus();
    paint();
    if (!frame_.runModal(*window_, [this] { return done_; })) {
        finish(last);
    }
    window_->hide();
    window_.reset();
    gActive = previous_;
    if (!frame_.isClosing()) {
        frame_.window().discardMouseEvents();
    }
    return result_;
}

void BuiltinMessageDialog::finish(int button) {
    result_ = button;
    done_ = true;
}

void BuiltinMessageDialog::onEvent(const Event& event) {
    if (done_) {
        return;
    }
    switch (event.type) {
    case EventType::Paint:
        paint();
        break;
    case EventType::MouseDown:
        for (int i = 0; i < buttonCount(); ++i) {
            if (event.button == 1 && buttonRect(i).containsPixel(event.position)) {
                finish(i);
            }
        }
        break;
    case EventType::KeyDown:
        if (event.key.key == Key::Return || event.key.key == Key::Space) {
            finish(0);
        } else if (event.key.key == Key::Escape) {
            finish(buttonCount() - 1);
        } else if (yesNo_ && (event.key.character == 'y' || event.key.character == 'Y')) {
            finish(0);
        } else if (yesNo_ && (event.key.character == 'n' || event.key.character == 'N')) {
            finish(1);
        }
        break;
    case EventType::CloseRequest:
        finish(buttonCount() - 1);
        break;
    default:
        break;
    }
}

void BuiltinMessageDialog::paint() {
    if (!window_ || !window_->isAlive()) {
        return;
    }
    DrawContext& c = window_->canvas();
    c.fillRect(size_, kBack);
    platform::TextStyle style;
    style.font = kFont;
    style.color = kText;
    int left = kMargin;
    if (error_) {
        c.fillRect(Rect::sized(kMargin, kMargin + 2, 14, 14), kErrorMark);
        left += 24;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        c.drawText(lines_[i],
                   Rect::sized(left, kMargin + static_cast<int>(i) * kLineHeight,
                               size_.width() - left - kMargin, kLineHeight),
                   style);
    }
    style.align = platform::TextAlign::Center;
    const char* labels[] = {yesNo_ ? "Yes" : "OK", "No"};
    for (int i = 0; i < buttonCount(); ++i) {
        const Rect r = buttonRect(i);
        c.fillRect(r, kField);
        c.strokeRect(r, kEdge);
        c.drawText(labels[i], r, style);
    }
    c.flush();
}

} // namespace quovent
