// A slot's output pair field ("Out: %i"): a left click takes the next lower pair, a right
// click the next higher one, within 1..6. The listener hears of each change after the slot
// holds the new pair.
#pragma once

#include "engine/Slot.hpp"
#include "widgets/TextDisplay.hpp"

#include <string>

namespace quovent {

class OutputSelector final : public TextDisplay {
public:
    static constexpr int kTag = 135;
    OutputSelector(Rect size, ValueListener* listener, BitmapPtr background, Slot& slot);

    void onMouseDown(DrawContext& context, Point where) override;
    // Shows the slot's output pair.
    void show();
    static std::string format(int pair);

private:
    Slot& slot_;
};

} // namespace quovent
