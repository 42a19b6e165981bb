// The plug-in's own names: its URI, its UI's, its output groups' and the file properties'
// (the groove bank, then slot 1..8's sample; property index 0 is the bank, n is slot n).
// Constant; any thread.
#pragma once

#include "formats/lv2/Capacities.hpp"
#include "instrument/PluginInfo.hpp"

#include <string>
#include <string_view>

namespace quovent::lv2 {

class PluginUris {
public:
    static constexpr std::string_view kPlugin = PluginInfo::kLv2Uri;
    // Both are literals, so their data() is zero-terminated for the descriptors.
    static constexpr std::string_view kUi = "https://halvden.audio/plugins/quovent#ui";
    // The state key under which the whole groove is kept.
    static constexpr std::string_view kGroove = "https://halvden.audio/plugins/quovent#groove";
    static constexpr std::string_view kBinary = "quovent.so";
    static constexpr int kBankProperty = 0;

    // "<plugin>#out1" .. "#out6": the stereo groups of the outputs.
    static std::string outputGroup(int pair);
    // "<plugin>#bank", "<plugin>#slot1" .. "#slot8".
    static std::string property(int index);
    // The fragment alone: "bank", "slot1".
    static std::string propertySymbol(int index);
    // What a host shows beside the file chooser: "Groove bank", "Slot 1 sample".
    static std::string propertyLabel(int index);
    static constexpr int slotOfProperty(int index) noexcept { return index - 1; }
    static constexpr int propertyOfSlot(int slot) noexcept { return slot + 1; }
};

static_assert(PluginUris::kUi.starts_with(PluginUris::kPlugin));

} // namespace quovent::lv2
