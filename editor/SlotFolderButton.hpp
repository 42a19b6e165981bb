// A slot's folder button. Alt + left chooses a directory for the slot and gives every other
// slot row the same directory and sample; otherwise it is a momentary button whose report
// (tag 132) lets the editor ask for the slot's directory.
#pragma once

#include "engine/Slot.hpp"
#include "widgets/MomentaryButton.hpp"

namespace quovent {

class Editor;

class SlotFolderButton final : public MomentaryButton {
public:
    static constexpr int kTag = 132;
    SlotFolderButton(Rect size, BitmapPtr background, Editor& editor, Slot& slot);

    void onMouseDown(DrawContext& context, Point where) override;

private:
    Editor& editor_;
    Slot& slot_;
};

} // namespace quovent
