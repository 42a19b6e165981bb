// What the module's exported functions do, whatever the system names them: hand out the
// factory (with a reference for the caller) and count the host's module entries and exits.
// Entries may nest; an exit without an entry is refused.
//
// Threads: any.
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"

namespace quovent {

class Vst3Module {
public:
    static vst3::IPluginFactory* factory() noexcept;
    static bool enter() noexcept;
    static bool exit() noexcept;
    // Entries not yet matched by an exit.
    static int entries() noexcept;
};

} // namespace quovent
