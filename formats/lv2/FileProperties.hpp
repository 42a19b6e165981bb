// The file properties bound to the instrument: #bank imports a groove bank file, #slot1 ..
// #slot8 give a row slot its sample, each all-or-nothing (a refused file leaves the
// instrument as it was). The slots' paths are the model's; the bank's is the last file
// imported. Also the restore of a saved groove and the bank path kept beside it.
//
// Worker, state save and restore, any of them at once (the instrument's model lock and a
// mutex for the bank path keep them apart); never the audio thread.
#pragma once

#include "formats/lv2/Capacities.hpp"
#include "instrument/StatePaths.hpp"

#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace quovent {
class Instrument;
}

namespace quovent::lv2 {

class FileProperties {
public:
    using Paths = std::array<std::string, capacity::kProperties>;

    struct SetResult {
        bool accepted = false;
        std::string reason; // why it was refused; empty when accepted
    };

    explicit FileProperties(Instrument& instrument) : instrument_(instrument) {}

    // Carries the file into the instrument; afterwards paths() tells every property's path
    // (a bank changes the slots' too).
    SetResult set(int property, std::string_view path);
    // Bank: the last file imported (empty for none); slots: the model's sample paths (empty
    // for none).
    Paths paths() const;
    // The whole groove text (its sample paths as statePaths maps them back) and the bank path
    // the state keeps beside it, all-or-nothing: empty when restored, else why nothing
    // changed. A sample that cannot be found keeps its path and plays silence until an
    // editor offers to relocate it.
    std::string restore(std::string_view groove, const std::string& bank,
                        const StatePaths& statePaths);

private:
    Instrument& instrument_;
    mutable std::mutex bankMutex_;
    std::string bank_;
};

} // namespace quovent::lv2
