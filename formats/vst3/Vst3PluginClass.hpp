// What the module's factory announces: the vendor and the one class it makes. The class id is
// the instrument's identity in every host's projects and caches: it never changes.
//
//     class id  6AABEC95-57E54A95-A2556E75-0E249129 (the four words, most significant first)
//
// Threads: constants, any thread.
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"

namespace quovent::vst3plugin {

inline constexpr vst3::Uid kClassId = vst3::makeUid(0x6AABEC95, 0x57E54A95, 0xA2556E75, 0x0E249129);

inline constexpr const char* kName = "quovent";
inline constexpr const char* kVendor = "Halvden Labs";
inline constexpr const char* kUrl = "https://halvden.audio";
inline constexpr const char* kEmail = "";
inline constexpr const char* kSubCategories = "Instrument|Sampler";
inline constexpr const char* kVersion = "1.0.0";
// The interface version these declarations follow.
inline constexpr const char* kSdkVersion = "VST 3.7.7";

} // namespace quovent::vst3plugin
