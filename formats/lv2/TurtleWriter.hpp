// The bundle's descriptions in Turtle, written from the same tables the library is built from
// (the parameter table, the port layout, the plug-in's URIs), so that what hosts read and what
// the library does cannot disagree: manifest.ttl, quovent.ttl (the plug-in, its ports, groups
// and file properties) and quovent-ui.ttl (the editor). Build machine only.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace quovent::lv2 {

class TurtleWriter {
public:
    static constexpr std::string_view kManifestFile = "manifest.ttl";
    static constexpr std::string_view kPluginFile = "quovent.ttl";
    static constexpr std::string_view kUiFile = "quovent-ui.ttl";

    // Thrown for a parameter whose unit has no LV2 unit here yet: add it to the unit list.
    struct UnknownUnit : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    static std::string manifest();
    static std::string plugin();
    static std::string ui();

    // A Turtle decimal: the shortest text that reads back as the same float, with a point.
    static std::string decimal(float value);
    // A Turtle string literal with its quotes.
    static std::string quoted(std::string_view text);
};

} // namespace quovent::lv2
