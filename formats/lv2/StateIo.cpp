#include "formats/lv2/StateIo.hpp"

#include "formats/lv2/PluginUris.hpp"
#include "instrument/Instrument.hpp"

#include <cstring>

namespace quovent::lv2 {

namespace {

constexpr std::uint32_t kFlags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;

// A value that is text ending in its one zero, at most limit bytes with it.
bool isText(const void* value, std::size_t size, std::size_t limit) {
    const auto* text = static_cast<const char*>(value);
    return size != 0 && size <= limit && std::memchr(text, 0, size) == text + size - 1;
}

} // namespace

LV2_State_Status StateIo::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                               const StatePaths& paths, const FileProperties::Paths& files,
                               const std::string& groove) const {
    for (int i = 0; i < capacity::kProperties; ++i) {
        const std::string& file = files[static_cast<std::size_t>(i)];
        if (file.empty()) {
            continue;
        }
        const std::string kept = paths.toState(file);
        const LV2_State_Status status =
            store(handle, urids_.properties[static_cast<std::size_t>(i)], kept.c_str(),
                  kept.size() + 1, urids_.atomPath, kFlags);
        if (status != LV2_STATE_SUCCESS) {
            return status;
        }
    }
    return store(handle, urids_.groove, groove.c_str(), groove.size() + 1, urids_.atomString,
                 kFlags);
}

StateIo::Read StateIo::read(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                            const StatePaths& paths) const {
    Read read;
    const auto refuse = [&read](LV2_State_Status status, int property, const char* why) {
        read.status = status;
        read.reason = PluginUris::propertyLabel(property) + ": " + why;
        return read;
    };
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    const void* groove = retrieve(handle, urids_.groove, &size, &type, &flags);
    if (groove == nullptr) {
        read.groove = Instrument::kDefaultState;
    } else if (type != urids_.atomString || !isText(groove, size, Instrument::kMaxStateBytes + 1)) {
        read.status = LV2_STATE_ERR_BAD_TYPE;
        read.reason = "the groove is not text of a groove's size";
        return read;
    } else {
        read.groove.assign(static_cast<const char*>(groove), size - 1);
    }
    for (int i = 0; i < capacity::kProperties; ++i) {
        const void* value =
            retrieve(handle, urids_.properties[static_cast<std::size_t>(i)], &size, &type, &flags);
        if (value == nullptr) {
            continue; // not in the state: no file
        }
        if (type != urids_.atomPath) {
            return refuse(LV2_STATE_ERR_BAD_TYPE, i, "not a path");
        }
        if (!isText(value, size, capacity::kPathBytes)) {
            return refuse(LV2_STATE_ERR_UNKNOWN, i, "not a path ending where its value ends");
        }
        std::string path = paths.fromState(static_cast<const char*>(value));
        if (path.size() >= capacity::kPathBytes) {
            return refuse(LV2_STATE_ERR_UNKNOWN, i, "a path too long to keep");
        }
        read.paths[static_cast<std::size_t>(i)] = std::move(path);
    }
    return read;
}

} // namespace quovent::lv2
