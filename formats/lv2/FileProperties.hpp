// The file properties' paths on the host's side of the instance: what the worker sets, the
// state saves and restore replaces. Until the instrument core is bound here a path is only
// checked (an absolute path naming a regular file) and kept; loading the sample or the bank
// is the core's.
//
// Worker, state save and restore, any of them at once (a mutex keeps the paths); never the
// audio thread.
#pragma once

#include "formats/lv2/Capacities.hpp"

#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace quovent::lv2 {

class FileProperties {
public:
    using Paths = std::array<std::string, capacity::kProperties>;

    struct SetResult {
        bool accepted = false;
        std::string current; // the property's path afterwards
        std::string reason;  // why it was refused; empty when accepted
    };

    SetResult set(int property, std::string_view path);
    Paths paths() const;
    // All paths at once (a restored state); nothing else is checked here: a state whose
    // files have gone keeps their paths.
    void replace(const Paths& paths);

private:
    mutable std::mutex mutex_;
    Paths paths_;
};

} // namespace quovent::lv2
