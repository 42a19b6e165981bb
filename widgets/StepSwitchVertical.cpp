// Vertical band picking.
#include "widgets/StepSwitchVertical.hpp"

namespace quovent {

int StepSwitchVertical::positionAt(Point where) const {
    return band(where.y - rect().top, frameHeight());
}

} // namespace quovent
