// The URIDs the plug-in reads and writes, mapped once through the host's urid:map when an
// instance is made (mapping may lock or allocate, so never later). Afterwards constant: the
// audio thread compares against them.
#pragma once

#include "formats/lv2/Capacities.hpp"

#include <lv2/urid/urid.h>

#include <array>

namespace quovent::lv2 {

struct Urids {
    LV2_URID plugin = 0;
    // The state key of the whole groove (the groove bank document text).
    LV2_URID groove = 0;
    std::array<LV2_URID, capacity::kProperties> properties{};

    LV2_URID atomBlank = 0;
    LV2_URID atomObject = 0;
    LV2_URID atomResource = 0;
    LV2_URID atomSequence = 0;
    LV2_URID atomBeatTime = 0;
    LV2_URID atomUrid = 0;
    LV2_URID atomUri = 0;
    LV2_URID atomPath = 0;
    LV2_URID atomString = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomDouble = 0;
    LV2_URID atomInt = 0;
    LV2_URID atomLong = 0;
    LV2_URID midiEvent = 0;
    LV2_URID timePosition = 0;
    LV2_URID timeBeatsPerMinute = 0;
    LV2_URID patchGet = 0;
    LV2_URID patchSet = 0;
    LV2_URID patchSubject = 0;
    LV2_URID patchProperty = 0;
    LV2_URID patchValue = 0;
    LV2_URID bufMaxBlockLength = 0;
    LV2_URID bufSequenceSize = 0;
    LV2_URID logError = 0;
    LV2_URID logWarning = 0;
    LV2_URID logNote = 0;

    // Every entry mapped; false when the host answered 0 (no URID) for any of them.
    bool mapAll(const LV2_URID_Map& map);

    // Index of a file property's URID, -1 for anything else (0 included).
    int propertyIndex(LV2_URID urid) const noexcept;
    bool isObjectType(LV2_URID type) const noexcept {
        return type != 0 && (type == atomObject || type == atomBlank || type == atomResource);
    }
};

} // namespace quovent::lv2
