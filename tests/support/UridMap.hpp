// A host's urid:map and urid:unmap for tests: URIs numbered from 1 in the order first asked
// for. Any thread (a mutex keeps the table); the plug-in maps only when it is made.
#pragma once

#include <lv2/urid/urid.h>

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quovent::test {

class UridMap {
public:
    UridMap();
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID map(std::string_view uri);
    std::string unmap(LV2_URID urid) const; // empty for a number never handed out

    LV2_URID_Map* mapFeature() noexcept { return &map_; }
    LV2_URID_Unmap* unmapFeature() noexcept { return &unmap_; }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, LV2_URID> ids_;
    std::deque<std::string> uris_; // uris_[id - 1]; a deque keeps the texts in place
    LV2_URID_Map map_{};
    LV2_URID_Unmap unmap_{};
};

} // namespace quovent::test
