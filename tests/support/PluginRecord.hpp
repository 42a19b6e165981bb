// An instance of the VST 2 plug-in made in the test's own process through its entry, closed
// with effClose when the record goes.
#pragma once

#include "formats/vst2/VstAbi.hpp"

#include <memory>

namespace quovent::test {

struct PluginDeleter {
    void operator()(vst::AEffect* e) const { e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0); }
};
using PluginRecord = std::unique_ptr<vst::AEffect, PluginDeleter>;

} // namespace quovent::test
