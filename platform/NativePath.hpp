// Between the program's UTF-8 path texts and std::filesystem paths. Constructing a path
// from a std::string, or asking it for string(), converts through the C library's narrow
// encoding, which on Windows is not UTF-8: non-ASCII names would turn into other names or
// throw. Every conversion between the two goes through here instead. Any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quovent::platform {

class NativePath {
public:
    // The path a UTF-8 text names. On Windows a text that is not valid UTF-8 names no file
    // and gives an empty path; on Linux the bytes are the name, whatever they are.
    static std::filesystem::path fromUtf8(std::string_view text);
    // The path as UTF-8 text, with its native separators.
    static std::string toUtf8(const std::filesystem::path& path);
    // The path as UTF-8 text with '/' as separator (bank files, which travel between systems).
    static std::string toGenericUtf8(const std::filesystem::path& path);
};

} // namespace quovent::platform
