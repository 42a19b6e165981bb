#include "formats/lv2/StateIo.hpp"

#include "formats/lv2/GrooveSamplePaths.hpp"
#include "formats/lv2/PluginUris.hpp"
#include "instrument/Instrument.hpp"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

namespace quovent::lv2 {

namespace {

struct PathFeatures {
    const LV2_State_Map_Path* map = nullptr;
    const LV2_State_Free_Path* free = nullptr;
};

PathFeatures pathFeatures(const LV2_Feature* const* features) {
    PathFeatures found;
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        if ((*f)->URI == nullptr || (*f)->data == nullptr) {
            continue;
        }
        if (std::strcmp((*f)->URI, LV2_STATE__mapPath) == 0) {
            found.map = static_cast<const LV2_State_Map_Path*>((*f)->data);
        } else if (std::strcmp((*f)->URI, LV2_STATE__freePath) == 0) {
            found.free = static_cast<const LV2_State_Free_Path*>((*f)->data);
        }
    }
    if (found.map != nullptr &&
        (found.map->abstract_path == nullptr || found.map->absolute_path == nullptr)) {
        found.map = nullptr;
    }
    if (found.free != nullptr && found.free->free_path == nullptr) {
        found.free = nullptr;
    }
    return found;
}

// A path the host's mapPath made: freed through its freePath, else with free() as the
// state interface asks.
class HostPath {
public:
    HostPath(const PathFeatures& features, char* path) : features_(features), path_(path) {}
    ~HostPath() {
        if (path_ == nullptr) {
            return;
        }
        if (features_.free != nullptr) {
            features_.free->free_path(features_.free->handle, path_);
        } else {
            std::free(path_); // NOLINT: the host allocated it with malloc
        }
    }
    HostPath(const HostPath&) = delete;
    HostPath& operator=(const HostPath&) = delete;

    const char* get() const noexcept { return path_; }

private:
    const PathFeatures& features_;
    char* path_;
};

} // namespace

LV2_State_Status StateIo::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                               const LV2_Feature* const* features,
                               const FileProperties::Paths& paths,
                               const std::string& groove) const {
    const PathFeatures host = pathFeatures(features);
    GrooveSamplePaths::Replacements slotPaths;
    for (int i = 0; i < capacity::kProperties; ++i) {
        const std::string& path = paths[static_cast<std::size_t>(i)];
        if (path.empty()) {
            continue;
        }
        std::string kept = path;
        if (host.map != nullptr) {
            const HostPath mapped(host, host.map->abstract_path(host.map->handle, path.c_str()));
            if (mapped.get() == nullptr) {
                return LV2_STATE_ERR_UNKNOWN;
            }
            kept = mapped.get();
        }
        const LV2_State_Status status =
            store(handle, urids_.properties[static_cast<std::size_t>(i)], kept.c_str(),
                  kept.size() + 1, urids_.atomPath, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
        if (status != LV2_STATE_SUCCESS) {
            return status;
        }
        if (i != PluginUris::kBankProperty) {
            slotPaths[static_cast<std::size_t>(PluginUris::slotOfProperty(i))] = std::move(kept);
        }
    }
    const std::optional<std::string> portable = GrooveSamplePaths::replace(groove, slotPaths);
    if (!portable) {
        return LV2_STATE_ERR_UNKNOWN; // the instrument's own text always reads
    }
    return store(handle, urids_.groove, portable->c_str(), portable->size() + 1, urids_.atomString,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

StateIo::Restored StateIo::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                   const LV2_Feature* const* features) const {
    const PathFeatures host = pathFeatures(features);
    Restored restored;
    const auto refuse = [&](LV2_State_Status status, int property, const char* why) {
        restored.status = status;
        restored.paths = {};
        restored.groove.clear();
        restored.reason = PluginUris::propertyLabel(property) + ": " + why;
        return restored;
    };
    {
        std::size_t size = 0;
        std::uint32_t type = 0;
        std::uint32_t flags = 0;
        const void* value = retrieve(handle, urids_.groove, &size, &type, &flags);
        if (value == nullptr) {
            restored.status = LV2_STATE_ERR_NO_PROPERTY;
            restored.reason = "no groove in the state";
            return restored;
        }
        const auto* text = static_cast<const char*>(value);
        if (type != urids_.atomString || size == 0 || size > Instrument::kMaxStateBytes + 1 ||
            std::memchr(text, 0, size) != text + size - 1) {
            restored.status = LV2_STATE_ERR_BAD_TYPE;
            restored.reason = "the groove is not text of a groove's size";
            return restored;
        }
        restored.groove.assign(text, size - 1);
    }
    for (int i = 0; i < capacity::kProperties; ++i) {
        std::size_t size = 0;
        std::uint32_t type = 0;
        std::uint32_t flags = 0;
        const void* value =
            retrieve(handle, urids_.properties[static_cast<std::size_t>(i)], &size, &type, &flags);
        if (value == nullptr) {
            continue; // not in the state: no file
        }
        if (type != urids_.atomPath) {
            return refuse(LV2_STATE_ERR_BAD_TYPE, i, "not a path");
        }
        const auto* text = static_cast<const char*>(value);
        if (size == 0 || std::memchr(text, 0, size) != text + size - 1) {
            return refuse(LV2_STATE_ERR_UNKNOWN, i, "a path not ending where its value ends");
        }
        std::string path = text;
        if (host.map != nullptr && !path.empty()) {
            const HostPath absolute(host, host.map->absolute_path(host.map->handle, text));
            if (absolute.get() == nullptr) {
                return refuse(LV2_STATE_ERR_UNKNOWN, i, "the host could not map its path");
            }
            path = absolute.get();
        }
        if (path.size() >= capacity::kPathBytes) {
            return refuse(LV2_STATE_ERR_UNKNOWN, i, "a path too long to keep");
        }
        restored.paths[static_cast<std::size_t>(i)] = std::move(path);
    }
    // The slots' paths as the host mapped them back take the place of the groove's own.
    GrooveSamplePaths::Replacements slotPaths;
    for (int s = 0; s < capacity::kSlotProperties; ++s) {
        const std::string& path =
            restored.paths[static_cast<std::size_t>(PluginUris::propertyOfSlot(s))];
        if (!path.empty()) {
            slotPaths[static_cast<std::size_t>(s)] = path;
        }
    }
    std::optional<std::string> groove = GrooveSamplePaths::replace(restored.groove, slotPaths);
    if (!groove) {
        return refuse(LV2_STATE_ERR_BAD_TYPE, PluginUris::kBankProperty,
                      "the groove is not a groove bank document");
    }
    restored.groove = std::move(*groove);
    return restored;
}

} // namespace quovent::lv2
