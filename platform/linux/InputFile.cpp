// Byte-mode reading through stdio with 64-bit offsets (fseeko/ftello). Only regular files
// open: a FIFO or a device named by a project or a drop would block the opening thread (the
// host's, during a state restore) or never end.
#include "platform/InputFile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace quovent::platform {

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const char* path) noexcept {
    close();
    if (path == nullptr) {
        return false;
    }
    // O_NONBLOCK so that opening a FIFO without a writer returns at once; O_CLOEXEC: not
    // inherited by programs the host starts.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) {
        ::close(fd);
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
