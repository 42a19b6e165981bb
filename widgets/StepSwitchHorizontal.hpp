// A step switch whose position comes from the x coordinate, in n equal bands of the
// control's width.
#pragma once

#include "widgets/StepSwitch.hpp"

namespace quovent {

class StepSwitchHorizontal : public StepSwitch {
public:
    using StepSwitch::StepSwitch;
    int positionAt(Point where) const override;
};

} // namespace quovent
