#include "tests/support/UridMap.hpp"

namespace quovent::test {

UridMap::UridMap() {
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
        return uri == nullptr ? 0 : static_cast<UridMap*>(handle)->map(uri);
    };
    unmap_.handle = this;
    unmap_.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) -> const char* {
        const auto* self = static_cast<UridMap*>(handle);
        const std::lock_guard<std::mutex> hold(self->mutex_);
        return urid == 0 || urid > self->uris_.size() ? nullptr : self->uris_[urid - 1].c_str();
    };
}

LV2_URID UridMap::map(std::string_view uri) {
    const std::lock_guard<std::mutex> hold(mutex_);
    const auto [it, added] = ids_.try_emplace(std::string(uri), 0);
    if (added) {
        uris_.emplace_back(uri);
        it->second = static_cast<LV2_URID>(uris_.size());
    }
    return it->second;
}

std::string UridMap::unmap(LV2_URID urid) const {
    const std::lock_guard<std::mutex> hold(mutex_);
    return urid == 0 || urid > uris_.size() ? std::string() : uris_[urid - 1];
}

} // namespace quovent::test
