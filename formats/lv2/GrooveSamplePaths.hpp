// The slots' sample paths inside groove text (the groove bank document), replaced: a saved
// state carries the paths as the host's state:mapPath made them (so that no absolute path of
// the user's files is written into a portable state), a restore puts the paths the host
// mapped back in their place before the instrument reads the text.
//
// Any thread but the audio thread (it allocates); no shared state.
#pragma once

#include "formats/lv2/Capacities.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quovent::lv2 {

class GrooveSamplePaths {
public:
    // One entry per row slot; nullopt leaves that slot's path as the text has it.
    using Replacements = std::array<std::optional<std::string>, capacity::kSlotProperties>;

    // The text with the replacements (a slot the text leaves out gets an entry for its
    // path), or nullopt when it is not a JSON object whose slots are an array of objects
    // (the instrument refuses such text anyway).
    static std::optional<std::string> replace(std::string_view groove, const Replacements& paths);
};

} // namespace quovent::lv2
