// Path conventions of the platform: separators, the root directory, and the rules for
// joining a directory and a name and for cutting a path at its last separator. Paths are
// UTF-8 text everywhere in the program.
//
// Windows accepts both '\' and '/' as separators, so every rule here does too; new paths
// are joined with '\'. A drive root ("C:\" or "C:/") and a lone separator are roots. On
// Linux only '/' separates ('\' is an ordinary character in a file name) and '/' is the root.
#pragma once

#include <string>
#include <string_view>

namespace quovent::paths {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr std::string_view kSeparators = "\\/";
inline constexpr const char* kDefaultRoot = "C:\\";
#else
inline constexpr char kSeparator = '/';
inline constexpr std::string_view kSeparators = "/";
inline constexpr const char* kDefaultRoot = "/";
#endif

constexpr bool isSeparator(char c) noexcept {
    return kSeparators.find(c) != std::string_view::npos;
}

// Position of the last separator, or npos.
constexpr std::size_t lastSeparator(std::string_view path) noexcept {
    return path.find_last_of(kSeparators);
}

// A directory that is its own parent: "/" on Linux; "C:\", "C:/", "\" or "/" on Windows.
constexpr bool isRoot(std::string_view dir) noexcept {
    if (dir.size() == 1) {
        return isSeparator(dir[0]);
    }
#ifdef _WIN32
    const char d = dir.size() == 3 ? dir[0] : '\0';
    const bool letter = (d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z');
    return letter && dir[1] == ':' && isSeparator(dir[2]);
#else
    return false;
#endif
}

// The file name: everything after the last separator (the whole text when there is none).
constexpr std::string_view fileName(std::string_view path) noexcept {
    const std::size_t cut = lastSeparator(path);
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// dir and name with one separator between them (none added after a trailing one).
inline std::string join(std::string_view dir, std::string_view name) {
    std::string joined(dir);
    if (joined.empty() || !isSeparator(joined.back())) {
        joined += kSeparator;
    }
    joined += name;
    return joined;
}

// Everything before the last separator; a file directly in a root gives the root itself,
// and a text without a separator gives an empty text.
inline std::string parentOf(std::string_view path) {
    const std::size_t cut = lastSeparator(path);
    if (cut == std::string_view::npos) {
        return {};
    }
    const std::string_view withSeparator = path.substr(0, cut + 1);
    return std::string(isRoot(withSeparator) ? withSeparator : path.substr(0, cut));
}

} // namespace quovent::paths
