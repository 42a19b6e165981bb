// The items of a pop-up menu and the rules for building it: "-" is a separator, a text that
// starts with "-G" is shown greyed and one that starts with "-T" disabled (both without the
// two characters and neither can be chosen); with a column length c > 0 and fewer than 160
// items every c-th item starts a new column. At most 1024 items of up to 255 bytes. An item's
// index counts the separators, and that index is what a choice reports.
#pragma once

#include "platform/Capacities.hpp"
#include "platform/Geometry.hpp"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quovent {

struct MenuItem {
    enum class Kind { Normal, Separator, Greyed, Disabled };
    Kind kind = Kind::Normal;
    std::string text;     // as shown, prefix removed
    bool checked = false; // a check mark in the room left of the text
};

class MenuModel {
public:
    static constexpr int kMaxItems = capacity::kMenuItems;
    static constexpr std::size_t kMaxText = capacity::kMenuItemText - 1;

    // Adds an item; false (and nothing added) once the menu holds kMaxItems.
    bool addEntry(std::string_view text);
    void clear() noexcept { items_.clear(); }

    int size() const noexcept { return static_cast<int>(items_.size()); }
    const MenuItem& item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    bool selectable(int index) const noexcept;
    // Shows or clears a check mark beside an item; nothing for an index out of range.
    void setChecked(int index, bool checked) noexcept;

    void setColumnLength(int items) noexcept { columnLength_ = items; }
    int columnLength() const noexcept { return columnLength_; }
    // True when item `index` begins a new column by the column rule.
    bool startsColumn(int index) const noexcept;

    // Item rectangles relative to the menu's top-left corner, and the menu's size. Rows
    // are itemHeight (separators separatorHeight) high; a column also wraps when it would
    // grow past maxHeight. measure gives a text's width in pixels.
    struct Layout {
        std::vector<Rect> items;
        int width = 0;
        int height = 0;
    };
    Layout layout(const std::function<int(std::string_view)>& measure, int itemHeight,
                  int separatorHeight, int maxHeight) const;

    static constexpr int kTextInset = 20; // room left of the text (where a check would go)
    static constexpr int kTextTrail = 16;
    static constexpr int kBorder = 2;

private:
    std::vector<MenuItem> items_;
    int columnLength_ = 0;
};

} // namespace quovent
