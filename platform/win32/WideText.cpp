#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <climits>

namespace quovent::platform::win32 {

std::optional<std::wstring> WideText::fromUtf8(std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int bytes = static_cast<int>(text.size());
    const int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
    if (units <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), bytes, wide.data(),
                            units) != units) {
        return std::nullopt;
    }
    return wide;
}

std::optional<std::string> WideText::toUtf8(std::wstring_view text) {
    if (text.empty()) {
        return std::string();
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int units = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), units,
                                          nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return std::nullopt;
    }
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), units, narrow.data(), bytes,
                            nullptr, nullptr) != bytes) {
        return std::nullopt;
    }
    return narrow;
}

std::wstring WideText::pathForApi(std::string_view path) {
    std::optional<std::wstring> wide = fromUtf8(path);
    if (!wide) {
        return {};
    }
    if (wide->size() < MAX_PATH) {
        return *wide;
    }
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    std::wstring w = *wide;
    for (wchar_t& c : w) {
        c = c == L'/' ? L'\\' : c;
    }
    const bool drive = w.size() > 2 && w[1] == L':' && separator(w[2]);
    const bool unc = w.size() > 2 && separator(w[0]) && separator(w[1]) && w[2] != L'?';
    if (drive) {
        return L"\\\\?\\" + w;
    }
    if (unc) {
        return L"\\\\?\\UNC\\" + w.substr(2);
    }
    return w; // already "\\?\", or relative: left to the API's own limit
}

} // namespace quovent::platform::win32
