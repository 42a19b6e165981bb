// Decoding of dropped URI lists into local paths.
#include "platform/UriList.hpp"

#include "platform/Capacities.hpp"

#include <climits>
#include <cstdlib>

namespace quovent::platform {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// The target of every symbolic link on the way, or the path unchanged when it cannot be
// resolved (a dangling link still names what the user dropped).
std::string resolveLinks(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string result(resolved);
    std::free(resolved); // NOLINT: realpath allocates with malloc
    return result;
}

} // namespace

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int hi = hexDigit(text[i + 1]);
            const int lo = hexDigit(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                const char decoded = static_cast<char>(hi * 16 + lo);
                if (decoded == '\0') {
                    return std::nullopt;
                }
                out.push_back(decoded);
                i += 2;
                continue;
            }
        }
        if (c == '\0') {
            return std::nullopt;
        }
        out.push_back(c);
    }
    return out;
}

std::optional<std::string> fileUriToPath(std::string_view uri) {
    std::string_view rest;
    if (startsWithNoCase(uri, "file://")) {
        rest = uri.substr(7);
        // Skip the host part ("localhost" or the machine's name): the path starts at the
        // first slash after it.
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) {
            return std::nullopt;
        }
        rest = rest.substr(slash);
    } else if (startsWithNoCase(uri, "file:")) {
        rest = uri.substr(5);
    } else {
        return std::nullopt;
    }
    // A query or fragment is not part of a file name; '#' and '?' in names arrive escaped.
    const std::size_t end = rest.find_first_of("?#");
    if (end != std::string_view::npos) {
        rest = rest.substr(0, end);
    }
    auto path = percentDecode(rest);
    if (!path || path->empty() || path->front() != '/') {
        return std::nullopt;
    }
    return path;
}

std::vector<std::string> parseUriList(std::string_view list) {
    std::vector<std::string> paths;
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = list.find('\n', pos);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        std::string_view line = list.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        // Some sources end the list with a zero byte.
        while (!line.empty() && line.back() == '\0') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        auto path = fileUriToPath(line);
        if (!path) {
            continue;
        }
        std::string resolved = resolveLinks(*path);
        if (resolved.size() >= capacity::kDropPathText) {
            continue;
        }
        paths.push_back(std::move(resolved));
    }
    return paths;
}

} // namespace quovent::platform
