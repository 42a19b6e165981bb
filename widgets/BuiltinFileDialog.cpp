// Built-in file dialog: layout, drawing, input and its modal loop.
#include "widgets/BuiltinFileDialog.hpp"

#include "widgets/FrameWindow.hpp"

#include <algorithm>

namespace quovent {

using platform::Event;
using platform::EventType;
using platform::Key;
namespace mouse = platform::mouse;

namespace {
constexpr Rect kUp{8, 8, 64, 30};
constexpr Rect kPath{72, 8, 472, 30};
constexpr Rect kList{8, 38, 472, 284};
constexpr Rect kFilterLabel{8, 292, 56, 312};
constexpr Rect kFilter{60, 292, 472, 312};
constexpr Rect kNameLabel{8, 318, 56, 340};
constexpr Rect kName{60, 318, 472, 340};
constexpr Rect kOk{304, 348, 384, 372};
constexpr Rect kCancel{392, 348, 472, 372};
constexpr std::uint32_t kDoubleClickMs = 400;
constexpr int kFont = 3;

constexpr Color kBack{236, 236, 236, 255};
constexpr Color kField{255, 255, 255, 255};
constexpr Color kEdge{130, 130, 130, 255};
constexpr Color kText{0, 0, 0, 255};
constexpr Color kDim{150, 150, 150, 255};
constexpr Color kSelect{48, 120, 210, 255};
constexpr Color kSelectText{255, 255, 255, 255};
constexpr Color kFolder{40, 70, 140, 255};

// Per thread: editors of different instances may live on different host threads.
thread_local BuiltinFileDialog* gActive = nullptr;

std::string defaultTitle(FileSelectCommand command) {
    switch (command) {
    case FileSelectCommand::Save:
        return "Save";
    case FileSelectCommand::Directory:
        return "Select a Directory";
    default:
        return "Open";
    }
}

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& s, std::uint32_t c) {
    if (c < 0x80) {
        s.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        s.push_back(static_cast<char>(0xC0 | (c >> 6)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        s.push_back(static_cast<char>(0xE0 | (c >> 12)));
        s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x110000) {
        s.push_back(static_cast<char>(0xF0 | (c >> 18)));
        s.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Removes the last UTF-8 character.
void eraseLast(std::string& s) {
    while (!s.empty()) {
        const auto c = static_cast<unsigned char>(s.back());
        s.pop_back();
        if ((c & 0xC0u) != 0x80u) {
            break;
        }
    }
}

} // namespace

BuiltinFileDialog::BuiltinFileDialog(FrameWindow& frame, const FileSelectRequest& request)
    : frame_(frame), model_(request),
      title_(request.title.empty() ? defaultTitle(request.command) : request.title) {}

BuiltinFileDialog::~BuiltinFileDialog() {
    if (gActive == this) {
        gActive = previous_;
    }
}

BuiltinFileDialog* BuiltinFileDialog::active() noexcept {
    return gActive;
}

Rect BuiltinFileDialog::toScreen(Rect r) const {
    return r.offset(screenRect_.left, screenRect_.top);
}
Rect BuiltinFileDialog::okScreenRect() const {
    return toScreen(kOk);
}
Rect BuiltinFileDialog::cancelScreenRect() const {
    return toScreen(kCancel);
}
Rect BuiltinFileDialog::upScreenRect() const {
    return toScreen(kUp);
}
Rect BuiltinFileDialog::filterScreenRect() const {
    return toScreen(kFilter);
}

int BuiltinFileDialog::visibleRows() const {
    return (kList.height() - 2) / kRowHeight;
}

Rect BuiltinFileDialog::entryScreenRect(int index) const {
    const int row = index - top_;
    if (index < 0 || index >= static_cast<int>(model_.entries().size()) || row < 0 ||
        row >= visibleRows()) {
        return {};
    }
    return toScreen(Rect::sized(kList.left + 1, kList.top + 1 + row * kRowHeight, kList.width() - 2,
                                kRowHeight));
}

int BuiltinFileDialog::entryAt(Point p) const {
    if (!kList.inset(1).containsPixel(p)) {
        return -1;
    }
    const int index = top_ + (p.y - kList.top - 1) / kRowHeight;
    return index < static_cast<int>(model_.entries().size()) ? index : -1;
}

bool BuiltinFileDialog::run() {
    FrameWindow::BusyScope busy(frame_);
    FrameWindow::InputBlock block(frame_);
    if (frame_.isClosing()) {
        return false;
    }
    platform::WindowSystem& system = frame_.windowSystem();
    screenRect_ = frame_.centredOnScreen(kWidth, kHeight);

    window_ = system.createDialog(&frame_.window(), screenRect_, title_, *this);
    if (!window_) {
        return false;
    }
    previous_ = gActive;
    gActive = this;
    window_->show();
    window_->takeFocus();
    paint();

    if (!frame_.runModal(*window_, [this] { return done_; })) {
        finish(false);
    }
    window_->hide();
    window_.reset();
    gActive = previous_;
    if (!frame_.isClosing()) {
        frame_.window().discardMouseEvents();
    }
    return chosen_;
}

void BuiltinFileDialog::finish(bool chosen) {
    chosen_ = chosen;
    done_ = true;
}

void BuiltinFileDialog::onEvent(const Event& event) {
    if (done_) {
        return;
    }
    switch (event.type) {
    case EventType::Paint:
        paint();
        break;
    case EventType::MouseDown:
        press(event);
        break;
    case EventType::Wheel:
        scroll(-3 * event.delta);
        break;
    case EventType::KeyDown:
        key(event.key);
        break;
    case EventType::CloseRequest:
        finish(false);
        break;
    default:
        break;
    }
}

void BuiltinFileDialog::press(const Event& event) {
    const Point p = event.position;
    if (event.button != 1) {
        return;
    }
    if (kUp.containsPixel(p)) {
        model_.up();
        top_ = 0;
        keepSelectionVisible();
    } else if (kOk.containsPixel(p)) {
        if (model_.accept()) {
            finish(true);
            return;
        }
    } else if (kCancel.containsPixel(p)) {
        finish(false);
        return;
    } else if (kFilter.containsPixel(p)) {
        const int n = static_cast<int>(model_.filters().size());
        model_.setFilter((model_.filter() + 1) % n);
        top_ = 0;
        keepSelectionVisible();
    } else {
        const int index = entryAt(p);
        if (index >= 0) {
            const bool twice =
                index == lastClicked_ && event.time - lastClickTime_ < kDoubleClickMs;
            model_.select(index, (event.modifiers & mouse::kControl) != 0);
            lastClicked_ = index;
            lastClickTime_ = event.time;
            if (twice) {
                lastClicked_ = -1;
                if (model_.activate()) {
                    finish(true);
                    return;
                }
                top_ = 0;
                keepSelectionVisible();
            }
        }
    }
    paint();
}

void BuiltinFileDialog::key(const platform::KeyEvent& k) {
    const int count = static_cast<int>(model_.entries().size());
    const int page = std::max(1, visibleRows() - 1);
    const auto move = [&](int to) {
        if (count > 0) {
            model_.select(std::clamp(to, 0, count - 1));
            keepSelectionVisible();
        }
    };
    const bool typing = model_.command() == FileSelectCommand::Save;
    switch (k.key) {
    case Key::Escape:
        finish(false);
        return;
    case Key::Return:
        if (model_.activate()) {
            finish(true);
            return;
        }
        top_ = 0;
        keepSelectionVisible();
        break;
    case Key::Up:
        move(model_.selected() < 0 ? count - 1 : model_.selected() - 1);
        break;
    case Key::Down:
        move(model_.selected() + 1);
        break;
    case Key::PageUp:
        move(model_.selected() - page);
        break;
    case Key::PageDown:
        move(model_.selected() < 0 ? page : model_.selected() + page);
        break;
    case Key::Home:
        move(0);
        break;
    case Key::End:
        move(count - 1);
        break;
    case Key::Backspace:
        if (typing && !model_.name().empty()) {
            std::string name = model_.name();
            eraseLast(name);
            model_.setName(std::move(name));
        } else if (model_.up()) {
            top_ = 0;
            keepSelectionVisible();
        }
        break;
    case Key::Character:
    case Key::Space:
        if (typing && k.character >= 0x20 && k.character != '/' &&
            (k.modifiers & (mouse::kControl | mouse::kAlt)) == 0) {
            std::string name = model_.name();
            appendUtf8(name, k.character);
            if (name.size() < 256) {
                model_.setName(std::move(name));
            }
        }
        break;
    default:
        break;
    }
    paint();
}

void BuiltinFileDialog::scroll(int rows) {
    const int count = static_cast<int>(model_.entries().size());
    top_ = std::clamp(top_ + rows, 0, std::max(0, count - visibleRows()));
    paint();
}

void BuiltinFileDialog::keepSelectionVisible() {
    const int s = model_.selected();
    if (s >= 0) {
        if (s < top_) {
            top_ = s;
        } else if (s >= top_ + visibleRows()) {
            top_ = s - visibleRows() + 1;
        }
    }
    const int count = static_cast<int>(model_.entries().size());
    top_ = std::clamp(top_, 0, std::max(0, count - visibleRows()));
}

void BuiltinFileDialog::paintButton(DrawContext& c, Rect r, std::string_view label, bool enabled) {
    c.fillRect(r, kField);
    c.strokeRect(r, kEdge);
    platform::TextStyle style;
    style.font = kFont;
    style.align = platform::TextAlign::Center;
    style.color = enabled ? kText : kDim;
    c.drawText(label, r, style);
}

void BuiltinFileDialog::paint() {
    if (!window_ || !window_->isAlive()) {
        return;
    }
    DrawContext& c = window_->canvas();
    c.fillRect({0, 0, kWidth, kHeight}, kBack);
    platform::TextStyle style;
    style.font = kFont;
    style.color = kText;

    paintButton(c, kUp, "Up", model_.canGoUp());
    c.drawText(model_.directory(), kPath.inset(2), style);

    c.fillRect(kList, kField);
    c.strokeRect(kList, kEdge);
    const int count = static_cast<int>(model_.entries().size());
    for (int row = 0; row < visibleRows() && top_ + row < count; ++row) {
        const int index = top_ + row;
        const auto& e = model_.entries()[static_cast<std::size_t>(index)];
        const Rect r = Rect::sized(kList.left + 1, kList.top + 1 + row * kRowHeight,
                                   kList.width() - 2, kRowHeight);
        const bool lit = model_.isSelected(index);
        if (lit) {
            c.fillRect(r, kSelect);
        }
        style.color = lit ? kSelectText : (e.directory ? kFolder : kText);
        Rect textArea = r;
        textArea.left += 6;
        c.drawText(e.directory ? e.name + "/" : e.name, textArea, style);
    }
    if (count == 0) {
        style.color = kDim;
        c.drawText("(empty)", Rect::sized(kList.left + 7, kList.top + 1, 200, kRowHeight), style);
    }

    style.color = kText;
    c.drawText("Type:", kFilterLabel, style);
    paintButton(c, kFilter, model_.filters()[static_cast<std::size_t>(model_.filter())].label,
                model_.filters().size() > 1);

    if (model_.command() == FileSelectCommand::Save) {
        c.drawText("Name:", kNameLabel, style);
        c.fillRect(kName, kField);
        c.strokeRect(kName, kEdge);
        Rect textArea = kName.inset(2);
        textArea.left += 2;
        c.drawText(model_.name() + "|", textArea, style);
    }

    paintButton(c, kOk, model_.command() == FileSelectCommand::Save ? "Save" : "OK", true);
    paintButton(c, kCancel, "Cancel", true);
    c.flush();
}

} // namespace quovent
