// A control that opens a pop-up menu: drawn as a ValueDisplay showing the chosen item's text
// (nothing with style kNoText). A left or right press opens the menu below the control (at
// its top with style kMenuAtTop); a choice sets the value to the item's index and reports
// it, dismissing changes and reports nothing. openAt opens it from code at any point (the
// editor's file list). While open, the second bitmap (if any) replaces the background. The
// items are drawn in the control's font.
#pragma once

#include "widgets/MenuModel.hpp"
#include "widgets/ValueDisplay.hpp"

namespace quovent {

class PopupMenu : public ValueDisplay {
public:
    // Arial 12: menus read like the desktop's own. setFont changes the items' font too.
    static constexpr int kDefaultFont = 3;

    PopupMenu(Rect size, ValueListener* listener, int tag, BitmapPtr background = {},
              BitmapPtr openBackground = {}, int style = 0);

    // False once the menu holds 1024 items.
    bool addEntry(std::string_view text);
    void removeAllEntries();
    int entryCount() const noexcept { return model_.size(); }
    // The item's text as shown (prefix removed); empty for an index out of range.
    std::string entry(int index) const;
    // Every `items` items start a new column (when the menu has fewer than 160 items).
    void setColumnLength(int items) noexcept { model_.setColumnLength(items); }
    const MenuModel& model() const noexcept { return model_; }

    void onMouseDown(DrawContext& context, Point where) override;
    // Opens the menu now with its top-left corner at `where` (frame coordinates) and waits
    // for the user. Returns the chosen index (also set as value and reported) or -1.
    int openAt(DrawContext& context, Point where);
    bool isOpen() const noexcept { return open_; }

    std::string displayText() const override;

protected:
    void paint(DrawContext& context) override;

private:
    int run(DrawContext& context, Point where);

    MenuModel model_;
    BitmapPtr openBackground_;
    bool open_ = false;
};

} // namespace quovent
