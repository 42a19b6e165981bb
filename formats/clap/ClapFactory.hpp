// The library's one plug-in as CLAP hosts find it: the descriptor (id, names, version and
// features from PluginInfo) and the plug-in factory that creates instances of it, and the
// entry's work (init, deinit, get_factory), callable by programs that link the binding.
//
// Threads: the descriptor and factory are constants; create_plugin and the entry on the
// host's main thread.
#pragma once

#include "formats/clap/ClapAbiBase.hpp"

namespace quovent {

class ClapFactory {
public:
    static const clap::PluginDescriptor& descriptor() noexcept;
    static const clap::PluginFactory& factory() noexcept;
    // A new instance for a host of a 1.x version asking for our id; null otherwise.
    static const clap::Plugin* create(const clap::Host* host, const char* id) noexcept;

    // The entry record's functions. Hosts may call init and deinit more than once, in pairs.
    static bool enter(const char* path) noexcept;
    static void leave() noexcept;
    static const void* find(const char* factoryId) noexcept;
};

} // namespace quovent
