#include "formats/lv2/GrooveSamplePaths.hpp"

#include <nlohmann/json.hpp>

namespace quovent::lv2 {

std::optional<std::string> GrooveSamplePaths::replace(std::string_view groove,
                                                      const Replacements& paths) {
    nlohmann::json document = nlohmann::json::parse(groove, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return std::nullopt;
    }
    for (std::size_t s = 0; s < paths.size(); ++s) {
        if (!paths[s]) {
            continue;
        }
        // A groove may leave slots out (they keep their defaults); one given a path here
        // gets an entry of its own.
        nlohmann::json& slots = document["slots"];
        if (slots.is_null()) {
            slots = nlohmann::json::array();
        }
        if (!slots.is_array()) {
            return std::nullopt;
        }
        while (slots.size() <= s) {
            slots.push_back(nlohmann::json::object());
        }
        if (!slots[s].is_object()) {
            return std::nullopt;
        }
        slots[s]["samplePath"] = *paths[s];
    }
    // Stray bytes in a path are replaced, as the instrument writes its state.
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace quovent::lv2
