// The slot folder button's alt click.
#include "editor/SlotFolderButton.hpp"

#include "editor/Editor.hpp"
#include "widgets/FrameWindow.hpp"

namespace quovent {

SlotFolderButton::SlotFolderButton(Rect size, BitmapPtr background, Editor& editor, Slot& slot)
    : MomentaryButton(size, &editor, kTag, std::move(background)), editor_(editor), slot_(slot) {}

void SlotFolderButton::onMouseDown(DrawContext& context, Point where) {
    FrameWindow* const f = frame();
    if (mouseButtons() == (platform::mouse::kAlt | platform::mouse::kLeft)) {
        editor_.sampleBrowser().browseAndShare(slot_, editor_.sequencer().slots(),
                                               capacity::kRowSlots);
        // The dialog may have outlived the window.
        if (f == nullptr || f->isClosing()) {
            return;
        }
    }
    MomentaryButton::onMouseDown(context, where);
}

} // namespace quovent
