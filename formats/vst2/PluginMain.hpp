// The work of the library's exported entry, callable directly by programs that link the
// instrument statically (tools, tests). The shared library's `main` and `VSTPluginMain`
// (host/Entry.cpp) only forward to it.
#pragma once

#include "formats/vst2/VstAbi.hpp"

namespace quovent {

// Creates one instance and answers its effect record; the host frees it with effClose.
// Null, with nothing allocated, when the host answers 0 to audioMasterVersion or the instance
// cannot be allocated. A null host callback is never called: the instance is then created
// without its host-facing setup. Never throws.
vst::AEffect* pluginMain(vst::HostCallback hostCallback) noexcept;

} // namespace quovent
