#include "formats/lv2/HostStatePaths.hpp"

#include <cstdlib>
#include <cstring>

namespace quovent::lv2 {

HostStatePaths::HostStatePaths(const LV2_Feature* const* features) {
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        if ((*f)->URI == nullptr || (*f)->data == nullptr) {
            continue;
        }
        if (std::strcmp((*f)->URI, LV2_STATE__mapPath) == 0) {
            map_ = static_cast<const LV2_State_Map_Path*>((*f)->data);
        } else if (std::strcmp((*f)->URI, LV2_STATE__freePath) == 0) {
            free_ = static_cast<const LV2_State_Free_Path*>((*f)->data);
        }
    }
    if (map_ != nullptr && (map_->abstract_path == nullptr || map_->absolute_path == nullptr)) {
        map_ = nullptr;
    }
    if (free_ != nullptr && free_->free_path == nullptr) {
        free_ = nullptr;
    }
}

std::string HostStatePaths::adopt(char* path) const {
    if (path == nullptr) {
        return {};
    }
    std::string kept = path;
    if (free_ != nullptr) {
        free_->free_path(free_->handle, path);
    } else {
        std::free(path); // NOLINT: the host allocated it with malloc, as the interface says
    }
    return kept;
}

std::string HostStatePaths::toState(const std::string& absolute) const {
    if (map_ == nullptr) {
        return absolute;
    }
    std::string mapped = adopt(map_->abstract_path(map_->handle, absolute.c_str()));
    return mapped.empty() ? absolute : mapped;
}

std::string HostStatePaths::fromState(const std::string& stored) const {
    if (map_ == nullptr) {
        return stored;
    }
    std::string mapped = adopt(map_->absolute_path(map_->handle, stored.c_str()));
    return mapped.empty() ? stored : mapped;
}

} // namespace quovent::lv2
