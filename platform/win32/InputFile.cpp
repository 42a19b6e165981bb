// Byte-mode reading through the C runtime's wide open (_wfopen) and 64-bit seeks.
#include "platform/InputFile.hpp"

#include "platform/win32/WideText.hpp"

#include <new>

namespace quovent::platform {

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const char* path) noexcept {
    close();
    if (path == nullptr) {
        return false;
    }
    try {
        const std::wstring wide = win32::WideText::pathForApi(path);
        if (wide.empty()) {
            return false; // not UTF-8: no file has that name
        }
        // 'N': the handle is not inherited by programs the host starts.
        file_ = _wfopen(wide.c_str(), L"rbN");
    } catch (const std::bad_alloc&) {
        file_ = nullptr;
    }
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
    return file_ != nullptr && offset >= 0 && _fseeki64(file_, offset, SEEK_SET) == 0;
}

bool InputFile::seekToEnd() noexcept {
    return file_ != nullptr && _fseeki64(file_, 0, SEEK_END) == 0;
}

std::int64_t InputFile::tell() noexcept {
    return file_ != nullptr ? _ftelli64(file_) : -1;
}

} // namespace quovent::platform
