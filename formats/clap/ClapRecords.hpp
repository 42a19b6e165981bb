// The C records a CLAP host calls: the plug-in record of an instance and the extension records
// it offers. Each function finds its instance through the record's plugin_data and forwards
// to it; a null record, or a call the instance cannot take, answers false, 0 or nothing.
//
// Threads: as the interface assigns each call (see ClapPlugin.hpp).
#pragma once

#include "formats/clap/ClapAbiBase.hpp"

namespace quovent {

class ClapRecords {
public:
    static clap::Plugin plugin(const clap::PluginDescriptor* descriptor, void* instance) noexcept;
    // The extension record of that id, or null for one this plug-in does not offer.
    static const void* extension(const char* id) noexcept;
};

} // namespace quovent
