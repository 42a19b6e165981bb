// Text at the Windows boundary: the program keeps UTF-8, every Windows call takes UTF-16.
// The conversions are strict: text that is not valid UTF-8 (or UTF-16 with an unpaired
// surrogate) has no counterpart and gives nothing, so a damaged name can never silently
// become another file's name. Any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quovent::platform::win32 {

class WideText {
public:
    static std::optional<std::wstring> fromUtf8(std::string_view text);
    static std::optional<std::string> toUtf8(std::wstring_view text);

    // A UTF-8 path as a wide path for the file API. A path too long for the classic limit
    // (MAX_PATH) that is absolute gets the "\\?\" form, which lifts the limit; shorter paths
    // stay as they are, so relative paths and '/' separators keep working. Empty when the
    // text is not valid UTF-8 (no file has that name).
    static std::wstring pathForApi(std::string_view path);
};

} // namespace quovent::platform::win32
