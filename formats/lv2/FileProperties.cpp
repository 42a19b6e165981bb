#include "formats/lv2/FileProperties.hpp"

#include <filesystem>
#include <system_error>

namespace quovent::lv2 {

namespace {

std::string refusal(const std::filesystem::path& file) {
    if (!file.is_absolute()) {
        return "not an absolute path";
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (error) {
        return error.message();
    }
    if (!std::filesystem::is_regular_file(status)) {
        return "not a regular file";
    }
    return {};
}

} // namespace

FileProperties::SetResult FileProperties::set(int property, std::string_view path) {
    SetResult result;
    if (property < 0 || property >= capacity::kProperties) {
        result.reason = "no such property";
        return result;
    }
    result.reason = path.empty() ? std::string("no file named") : refusal(std::string(path));
    const std::lock_guard<std::mutex> hold(mutex_);
    std::string& kept = paths_[static_cast<std::size_t>(property)];
    if (result.reason.empty()) {
        kept = path;
        result.accepted = true;
    }
    result.current = kept;
    return result;
}

FileProperties::Paths FileProperties::paths() const {
    const std::lock_guard<std::mutex> hold(mutex_);
    return paths_;
}

void FileProperties::replace(const Paths& paths) {
    const std::lock_guard<std::mutex> hold(mutex_);
    paths_ = paths;
}

} // namespace quovent::lv2
