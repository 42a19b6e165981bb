#include "formats/lv2/HostFeatures.hpp"

#include "formats/lv2/Capacities.hpp"
#include "formats/lv2/Urids.hpp"

#include <cstring>

namespace quovent::lv2 {

HostFeatures HostFeatures::find(const LV2_Feature* const* features) {
    HostFeatures found;
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        const char* uri = (*f)->URI;
        void* data = (*f)->data;
        if (uri == nullptr || data == nullptr) {
            continue;
        }
        if (std::strcmp(uri, LV2_URID__map) == 0) {
            found.map = static_cast<const LV2_URID_Map*>(data);
        } else if (std::strcmp(uri, LV2_WORKER__schedule) == 0) {
            found.schedule = static_cast<const LV2_Worker_Schedule*>(data);
        } else if (std::strcmp(uri, LV2_LOG__log) == 0) {
            found.log = static_cast<const LV2_Log_Log*>(data);
        } else if (std::strcmp(uri, LV2_OPTIONS__options) == 0) {
            found.options = static_cast<const LV2_Options_Option*>(data);
        }
    }
    if (found.map != nullptr && found.map->map == nullptr) {
        found.map = nullptr;
    }
    if (found.schedule != nullptr && found.schedule->schedule_work == nullptr) {
        found.schedule = nullptr;
    }
    if (found.log != nullptr && found.log->printf == nullptr) {
        found.log = nullptr;
    }
    return found;
}

std::string HostFeatures::missing() const {
    std::string names;
    if (map == nullptr) {
        names += LV2_URID__map;
    }
    if (schedule == nullptr) {
        names += names.empty() ? "" : " ";
        names += LV2_WORKER__schedule;
    }
    return names;
}

void HostFeatures::readOptions(const Urids& urids) {
    // A host's list ends with an entry of key 0; the bound keeps a list without one finite.
    for (int i = 0; options != nullptr && i < capacity::kOptions && options[i].key != 0; ++i) {
        const LV2_Options_Option& option = options[i];
        if (option.context != LV2_OPTIONS_INSTANCE || option.type != urids.atomInt ||
            option.size != sizeof(std::int32_t) || option.value == nullptr) {
            continue;
        }
        std::int32_t value = 0;
        std::memcpy(&value, option.value, sizeof value);
        if (value <= 0) {
            continue;
        }
        if (option.key == urids.bufMaxBlockLength) {
            maxBlockLength = static_cast<std::uint32_t>(value);
        } else if (option.key == urids.bufSequenceSize) {
            sequenceSize = static_cast<std::uint32_t>(value);
        }
    }
}

} // namespace quovent::lv2
