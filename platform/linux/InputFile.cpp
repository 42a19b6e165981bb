// Byte-mode reading through stdio with 64-bit offsets (fseeko/ftello).
#include "platform/InputFile.hpp"

#include <sys/types.h>

namespace quovent::platform {

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const char* path) noexcept {
    close();
    if (path == nullptr) {
        return false;
    }
    file_ = std::fopen(path, "rbe"); // 'e': not inherited by programs the host starts
    return file_ != nullptr;
}

void InputFile::close() noexcept {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

std::size_t InputFile::read(void* buffer, std::size_t bytes) noexcept {
    if (file_ == nullptr || bytes == 0) {
        return 0;
    }
    return std::fread(buffer, 1, bytes, file_);
}

bool InputFile::seek(std::int64_t offset) noexcept {
    return file_ != nullptr && offset >= 0 &&
           fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool InputFile::seekToEnd() noexcept {
    return file_ != nullptr && fseeko(file_, 0, SEEK_END) == 0;
}

std::int64_t InputFile::tell() noexcept {
    return file_ != nullptr ? static_cast<std::int64_t>(ftello(file_)) : -1;
}

} // namespace quovent::platform
