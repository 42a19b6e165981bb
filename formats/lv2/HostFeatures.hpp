// What the host hands an instance when it is made: the features found in its list and the
// options the plug-in reads. Required are urid:map and the worker's schedule; the log and
// the options are used when present. Instantiating thread only.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <string>

namespace quovent::lv2 {

struct Urids;

struct HostFeatures {
    const LV2_URID_Map* map = nullptr;
    const LV2_Worker_Schedule* schedule = nullptr;
    const LV2_Log_Log* log = nullptr;
    const LV2_Options_Option* options = nullptr;

    // From the options: the longest block the host will run (0: not told) and the size of its
    // atom port buffers (0: not told), which bounds what run() reads of the input.
    std::uint32_t maxBlockLength = 0;
    std::uint32_t sequenceSize = 0;

    // Picks the features out of the host's null-terminated list (which may be null).
    static HostFeatures find(const LV2_Feature* const* features);
    // The required features that are missing, by URI, separated by spaces; empty when all are
    // there.
    std::string missing() const;
    // Reads the options this plug-in understands (integers only; others are left alone).
    void readOptions(const Urids& urids);
};

} // namespace quovent::lv2
