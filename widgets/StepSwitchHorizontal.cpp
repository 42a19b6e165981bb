// Horizontal band picking.
#include "widgets/StepSwitchHorizontal.hpp"

namespace quovent {

int StepSwitchHorizontal::positionAt(Point where) const {
    return band(where.x - rect().left, width());
}

} // namespace quovent
