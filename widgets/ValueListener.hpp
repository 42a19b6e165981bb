// The single operation through which every control reports a change of its value.
#pragma once

#include "platform/Canvas.hpp"

namespace quovent {

// The drawing context handed to listeners and controls: the frame window's canvas (null
// when a change is reported without one).
using DrawContext = platform::Canvas;

class Control;

class ValueListener {
public:
    virtual ~ValueListener() = default;
    virtual void valueChanged(DrawContext* context, Control& control) = 0;
};

} // namespace quovent
