// Windows paths are UTF-16; the program's texts are UTF-8.
#include "platform/NativePath.hpp"

#include "platform/win32/WideText.hpp"

#include <windows.h>

namespace quovent::platform {

namespace {

// A name the system handed us may hold an unpaired surrogate, which UTF-8 cannot carry:
// it is shown with the replacement character rather than refused, since such texts only
// end up in messages.
std::string lenient(std::wstring_view wide) {
    if (std::optional<std::string> strict = win32::WideText::toUtf8(wide)) {
        return *strict;
    }
    const int units = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, text.data(), bytes, nullptr, nullptr);
    return text;
}

} // namespace

std::filesystem::path NativePath::fromUtf8(std::string_view text) {
    std::optional<std::wstring> wide = win32::WideText::fromUtf8(text);
    return wide ? std::filesystem::path(std::move(*wide)) : std::filesystem::path();
}

std::string NativePath::toUtf8(const std::filesystem::path& path) {
    return lenient(path.native());
}

std::string NativePath::toGenericUtf8(const std::filesystem::path& path) {
    return lenient(path.generic_wstring());
}

} // namespace quovent::platform
