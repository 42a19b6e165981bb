// A slot's sample name field. Holding the right button shows the slot's directory in the
// sample base field until released; a left click opens the directory's file list (or, with
// no list yet, asks for a directory); a file dropped on it is loaded into the slot.
#pragma once

#include "engine/Slot.hpp"
#include "widgets/TextDisplay.hpp"

#include <string>

namespace quovent {

class Editor;

class SampleNameDisplay final : public TextDisplay {
public:
    static constexpr int kTag = 137;
    static constexpr int kListTag = 201;
    static constexpr int kListColumn = 30;

    SampleNameDisplay(Rect size, BitmapPtr background, Editor& editor, Slot& slot);

    void onMouseDown(DrawContext& context, Point where) override;
    bool acceptsDrop(int type) const override { return type == platform::DropData::kFiles; }
    bool onDrop(DrawContext& context, const platform::DropData& data, Point where) override;

    // The file list entry's menu text: "0%i: %s" up to index 9, "%i: %s" after, with the
    // file name after the last path separator.
    static std::string listEntry(int index, const std::string& path);

private:
    void peekDirectory();
    void openList(DrawContext& context, Point where);

    Editor& editor_;
    Slot& slot_;
};

} // namespace quovent
