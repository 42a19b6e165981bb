// Directory listing through std::filesystem: names are the file system's bytes.
#include "platform/DirectoryScanner.hpp"

#include <filesystem>
#include <system_error>

namespace quovent {

std::vector<std::string> DirectoryScanner::listCandidates(const std::string& dir) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        return names;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            break;
        }
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (hasWavExtension(name) && it->is_regular_file(typeError) && !typeError) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

} // namespace quovent
