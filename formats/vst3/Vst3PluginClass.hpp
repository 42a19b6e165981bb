// What the module's factory announces: the vendor and the one class it makes, from the
// instrument's identity (PluginInfo). The class id is in every host's projects and caches.
//
// Threads: constants, any thread.
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"
#include "instrument/PluginInfo.hpp"

namespace quovent::vst3plugin {

inline constexpr vst3::Uid kClassId =
    vst3::makeUid(PluginInfo::kVst3ClassId[0], PluginInfo::kVst3ClassId[1],
                  PluginInfo::kVst3ClassId[2], PluginInfo::kVst3ClassId[3]);

inline constexpr std::string_view kName = PluginInfo::kName;
inline constexpr std::string_view kVendor = PluginInfo::kVendor;
inline constexpr std::string_view kUrl = PluginInfo::kUrl;
inline constexpr std::string_view kEmail = "";
inline constexpr std::string_view kSubCategories = "Instrument|Sampler";
inline constexpr std::string_view kVersion = PluginInfo::kVersion;
// The interface version these declarations follow.
inline constexpr std::string_view kSdkVersion = "VST 3.7.7";

} // namespace quovent::vst3plugin
