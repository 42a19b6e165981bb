// The frame host's default edit brackets: the control's tag.
#include "widgets/FrameHost.hpp"

#include "widgets/Control.hpp"

namespace quovent {

void FrameHost::beginEdit(const Control& control) {
    beginEdit(control.tag());
}

void FrameHost::endEdit(const Control& control) {
    endEdit(control.tag());
}

} // namespace quovent
