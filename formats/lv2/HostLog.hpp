// One line at a time to the host's log, when it gave one (silence otherwise). Never called on
// the audio thread: the worker and the state functions report what they refused here.
#pragma once

#include "formats/lv2/Urids.hpp"

#include <lv2/log/log.h>

#include <string_view>

namespace quovent::lv2 {

class HostLog {
public:
    HostLog(const LV2_Log_Log* log, const Urids& urids) : log_(log), urids_(urids) {}

    void warning(std::string_view line) const { write(urids_.logWarning, line); }
    void error(std::string_view line) const { write(urids_.logError, line); }

private:
    void write(LV2_URID type, std::string_view line) const;

    const LV2_Log_Log* log_;
    const Urids& urids_;
};

} // namespace quovent::lv2
