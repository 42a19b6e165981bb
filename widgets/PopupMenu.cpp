// Pop-up menu control.
#include "widgets/PopupMenu.hpp"

#include "widgets/FrameWindow.hpp"
#include "widgets/MenuWindow.hpp"

#include <cmath>

namespace quovent {

namespace mouse = platform::mouse;

PopupMenu::PopupMenu(Rect size, ValueListener* listener, int tag, BitmapPtr background,
                     BitmapPtr openBackground, int style)
    : ValueDisplay(size, listener, tag, std::move(background), style),
      openBackground_(std::move(openBackground)) {
    setFont(kDefaultFont);
    setMax(0.0f);
}

bool PopupMenu::addEntry(std::string_view text) {
    if (!model_.addEntry(text)) {
        return false;
    }
    setMax(static_cast<float>(model_.size() - 1));
    return true;
}

void PopupMenu::removeAllEntries() {
    model_.clear();
    setMax(0.0f);
    setDirty();
}

std::string PopupMenu::entry(int index) const {
    if (index < 0 || index >= model_.size()) {
        return {};
    }
    return model_.item(index).text;
}

std::string PopupMenu::displayText() const {
    const float v = value();
    if (std::isnan(v) || v < 0.0f) {
        return {};
    }
    return entry(static_cast<int>(v));
}

void PopupMenu::paint(DrawContext& context) {
    if (open_ && openBackground_ && !openBackground_->empty()) {
        drawLayered(context, [this](DrawContext& c) {
            openBackground_->draw(c, {0, 0, width(), height()});
            if ((style() & displayStyle::kNoText) == 0) {
                paintText(c, {0, 0, width(), height()});
            }
        });
        return;
    }
    ValueDisplay::paint(context);
}

void PopupMenu::onMouseDown(DrawContext& context, Point /*where*/) {
    const unsigned buttons = mouseButtons();
    if ((buttons & (mouse::kLeft | mouse::kRight)) == 0) {
        return;
    }
    const bool atTop = (style() & displayStyle::kMenuAtTop) != 0;
    run(context, {rect().left, atTop ? rect().top : rect().bottom});
}

int PopupMenu::openAt(DrawContext& context, Point where) {
    return run(context, where);
}

int PopupMenu::run(DrawContext& context, Point where) {
    FrameWindow* f = frame();
    if (f == nullptr || f->isClosing()) {
        return -1;
    }
    Tracking tracking(*this);
    open_ = true;
    setDirty();
    update(context);
    context.flush();

    MenuWindow menu(*f, model_, font());
    const int chosen = menu.run(f->window().toScreen(where));

    open_ = false;
    if (tracking.alive()) {
        if (chosen >= 0) {
            setValue(static_cast<float>(chosen));
        }
        setDirty();
        update(context);
        context.flush();
    }
    if (chosen >= 0) {
        report(&context);
    }
    return chosen;
}

} // namespace quovent
