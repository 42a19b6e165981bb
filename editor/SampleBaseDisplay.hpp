// The top text field: the sample base directory, and hints such as a slot's directory while
// its name is held with the right button. The user cannot edit it.
#pragma once

#include "widgets/TextDisplay.hpp"

namespace quovent {

class SampleBaseDisplay final : public TextDisplay {
public:
    static constexpr int kTag = 145;
    SampleBaseDisplay(Rect size, BitmapPtr background);
};

} // namespace quovent
