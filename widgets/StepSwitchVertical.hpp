// A step switch whose position comes from the y coordinate, in bands of h / n where h is
// the height of one frame.
#pragma once

#include "widgets/StepSwitch.hpp"

namespace quovent {

class StepSwitchVertical : public StepSwitch {
public:
    using StepSwitch::StepSwitch;
    int positionAt(Point where) const override;
};

} // namespace quovent
