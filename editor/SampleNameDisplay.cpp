// The sample name field's mouse and drop handling.
#include "editor/SampleNameDisplay.hpp"

#include "editor/Editor.hpp"
#include "editor/TextStyle.hpp"
#include "widgets/FrameWindow.hpp"
#include "widgets/PopupMenu.hpp"

#include <cstdio>

namespace quovent {

namespace mouse = platform::mouse;

SampleNameDisplay::SampleNameDisplay(Rect size, BitmapPtr background, Editor& editor, Slot& slot)
    : TextDisplay(size, &editor, kTag, std::move(background)), editor_(editor), slot_(slot) {
    textStyle::apply(*this, textStyle::kLeft, textStyle::kYellow);
}

std::string SampleNameDisplay::listEntry(int index, const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    char number[16];
    std::snprintf(number, sizeof number, index <= 9 ? "0%i: " : "%i: ", index);
    return number + name;
}

void SampleNameDisplay::onMouseDown(DrawContext& context, Point where) {
    const unsigned b = mouseButtons();
    if (b == mouse::kRight) {
        peekDirectory();
    } else if (b == mouse::kLeft) {
        if (slot_.directory.hasFileList()) {
            openList(context, where);
        } else {
            editor_.sampleBrowser().browseSampleDirectory(slot_);
        }
    }
}

void SampleNameDisplay::peekDirectory() {
    const SampleDirectory& dir = slot_.directory;
    editor_.showSampleBaseText(dir.hasDirectory() ? dir.directory() : SampleBrowser::kNoDirectory);
    // Not a drag of a parameter: no edit brackets for the host.
    FrameWindow* const f = frame();
    while (f != nullptr && !f->isClosing() && (mouseButtons() & mouse::kRight) != 0) {
        f->doIdle();
    }
    editor_.showSampleBaseText(editor_.sampleBrowser().sampleBasePath());
    editor_.redrawReadouts();
}

void SampleNameDisplay::openList(DrawContext& context, Point where) {
    FrameWindow* f = frame();
    editor_.setCurrentSlot(&slot_);
    auto menu =
        std::make_unique<PopupMenu>(Rect{where.x, where.y, where.x, where.y}, &editor_, kListTag,
                                    BitmapPtr{}, BitmapPtr{}, displayStyle::kNoDraw);
    menu->setFont(textStyle::kFont);
    menu->setColumnLength(kListColumn);
    for (int i = 0; i < slot_.directory.fileCount(); ++i) {
        if (!menu->addEntry(listEntry(i, slot_.directory.file(i)))) {
            break;
        }
    }
    PopupMenu* shown = f->add(std::move(menu));
    shown->openAt(context, where);
    // The frame may have been closed from inside the menu's loop; it then deleted the menu.
    if (!f->isClosing() && f->contains(shown)) {
        f->removeControl(shown);
    }
}

bool SampleNameDisplay::onDrop(DrawContext& /*context*/, const platform::DropData& data,
                               Point /*where*/) {
    if (data.type != platform::DropData::kFiles || data.items.empty()) {
        return false;
    }
    editor_.sampleBrowser().openSampleFile(slot_, data.items.front());
    editor_.instrument().markEdited();
    return true;
}

} // namespace quovent
