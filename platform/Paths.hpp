// Path conventions of the platform: the separator and the root directory.
#pragma once

namespace quovent::paths {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr const char* kDefaultRoot = "C:\\";
#else
inline constexpr char kSeparator = '/';
inline constexpr const char* kDefaultRoot = "/";
#endif

} // namespace quovent::paths
