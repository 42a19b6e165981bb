// Directory listing through the wide find API, so names outside the system's code page
// survive. The pattern is "*": the API also matches "*.wav" against 8.3 short names, which
// would let "x.wave" through, so names are filtered here by their long form only.
#include "platform/DirectoryScanner.hpp"

#include "platform/Paths.hpp"
#include "platform/win32/WideText.hpp"

#include <windows.h>

namespace quovent {

std::vector<std::string> DirectoryScanner::listCandidates(const std::string& dir) {
    using platform::win32::WideText;
    std::vector<std::string> names;
    if (dir.empty()) {
        return names;
    }
    const std::wstring pattern = WideText::pathForApi(paths::join(dir, "*"));
    if (pattern.empty()) {
        return names;
    }
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        // A link to a file carries the reparse-point bit but not the directory bit.
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        // A name that is not valid UTF-16 has no UTF-8 form and could not be opened again.
        std::optional<std::string> name = WideText::toUtf8(entry.cFileName);
        if (name && hasWavExtension(*name)) {
            names.push_back(std::move(*name));
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

} // namespace quovent
