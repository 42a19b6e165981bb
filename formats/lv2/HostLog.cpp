#include "formats/lv2/HostLog.hpp"

#include "formats/lv2/PluginUris.hpp"
#include "instrument/PluginInfo.hpp"

#include <string>

namespace quovent::lv2 {

void HostLog::write(LV2_URID type, std::string_view line) const {
    if (log_ == nullptr) {
        return;
    }
    // The plug-in's name first: a host's log mixes every plug-in's lines.
    const std::string text = std::string(PluginInfo::kName) + ": " + std::string(line) + "\n";
    log_->printf(log_->handle, type, "%s", text.c_str());
}

} // namespace quovent::lv2
