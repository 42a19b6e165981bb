// Linux paths are bytes; UTF-8 by convention, used as they are.
#include "platform/NativePath.hpp"

namespace quovent::platform {

std::filesystem::path NativePath::fromUtf8(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::string NativePath::toUtf8(const std::filesystem::path& path) {
    return path.string();
}

std::string NativePath::toGenericUtf8(const std::filesystem::path& path) {
    return path.generic_string();
}

} // namespace quovent::platform
