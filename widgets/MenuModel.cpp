// Menu building rules and layout.
#include "widgets/MenuModel.hpp"

#include "widgets/TextDisplay.hpp"

#include <algorithm>

namespace quovent {

bool MenuModel::addEntry(std::string_view text) {
    if (size() >= kMaxItems) {
        return false;
    }
    MenuItem item;
    if (text == "-") {
        item.kind = MenuItem::Kind::Separator;
    } else if (text.starts_with("-G")) {
        item.kind = MenuItem::Kind::Greyed;
        text.remove_prefix(2);
    } else if (text.starts_with("-T")) {
        item.kind = MenuItem::Kind::Disabled;
        text.remove_prefix(2);
    }
    item.text.assign(TextDisplay::cutText(text, kMaxText));
    items_.push_back(std::move(item));
    return true;
}

bool MenuModel::selectable(int index) const noexcept {
    if (index < 0 || index >= size()) {
        return false;
    }
    return items_[static_cast<std::size_t>(index)].kind == MenuItem::Kind::Normal;
}

void MenuModel::setChecked(int index, bool checked) noexcept {
    if (index >= 0 && index < size()) {
        items_[static_cast<std::size_t>(index)].checked = checked;
    }
}

bool MenuModel::startsColumn(int index) const noexcept {
    return columnLength_ > 0 && size() < capacity::kMenuColumnRuleItems && index > 0 &&
           index % columnLength_ == 0;
}

MenuModel::Layout MenuModel::layout(const std::function<int(std::string_view)>& measure,
                                    int itemHeight, int separatorHeight, int maxHeight) const {
    Layout result;
    result.items.resize(items_.size());
    const int usable = std::max(itemHeight, maxHeight - 2 * kBorder);
    int columnLeft = kBorder;
    int columnWidth = 0;
    int y = kBorder;
    std::size_t columnStart = 0;
    const auto closeColumn = [&](std::size_t end) {
        for (std::size_t i = columnStart; i < end; ++i) {
            result.items[i].left = columnLeft;
            result.items[i].right = columnLeft + columnWidth;
        }
        result.height = std::max(result.height, y + kBorder);
        columnLeft += columnWidth;
        columnWidth = 0;
        y = kBorder;
        columnStart = end;
    };
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const MenuItem& item = items_[i];
        const int h = item.kind == MenuItem::Kind::Separator ? separatorHeight : itemHeight;
        const bool wrap = y > kBorder && y + h > usable + kBorder;
        if (startsColumn(static_cast<int>(i)) || wrap) {
            closeColumn(i);
            columnLeft += 1; // a line between columns
        }
        result.items[i].top = y;
        result.items[i].bottom = y + h;
        y += h;
        const int textWidth = item.kind == MenuItem::Kind::Separator ? 0 : measure(item.text);
        columnWidth = std::max(columnWidth, kTextInset + textWidth + kTextTrail);
    }
    closeColumn(items_.size());
    result.width = columnLeft + kBorder;
    if (items_.empty()) {
        result.width = 2 * kBorder + kTextInset + kTextTrail;
        result.height = 2 * kBorder + itemHeight;
    }
    return result;
}

} // namespace quovent
