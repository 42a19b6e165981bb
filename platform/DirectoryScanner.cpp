// Filtering, ordering and capping of directory listings; the listing is the backend's.
#include "platform/DirectoryScanner.hpp"

#include <algorithm>
#include <cctype>

namespace quovent {

namespace {
bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    const bool less = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [&](unsigned char x, unsigned char y) { return lower(x) < lower(y); });
    if (less) {
        return true;
    }
    const bool greater = std::lexicographical_compare(
        b.begin(), b.end(), a.begin(), a.end(),
        [&](unsigned char x, unsigned char y) { return lower(x) < lower(y); });
    return !greater && a < b; // a stable order for names that differ only in case
}
} // namespace

bool DirectoryScanner::hasWavExtension(const std::string& name) {
    if (name.size() < 5) { // at least one character before ".wav"
        return false;
    }
    const std::string ext = name.substr(name.size() - 4);
    return ext[0] == '.' && std::tolower(static_cast<unsigned char>(ext[1])) == 'w' &&
           std::tolower(static_cast<unsigned char>(ext[2])) == 'a' &&
           std::tolower(static_cast<unsigned char>(ext[3])) == 'v';
}

std::vector<std::string> DirectoryScanner::listWavFiles(const std::string& dir, int maxEntries) {
    std::vector<std::string> names = listCandidates(dir);
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    if (maxEntries >= 0 && names.size() > static_cast<std::size_t>(maxEntries)) {
        names.resize(static_cast<std::size_t>(maxEntries));
    }
    return names;
}

} // namespace quovent
