// A file whose contents each fuzz input replaces, for code that reads inputs by path. The file
// stays open and is rewritten in place and cut to length, never emptied first: a file cut to
// zero and written again is flushed to disk when closed on ext4 (its guard against losing a
// rewritten file), which would cost each input a disk write. One input at a time.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace quovent::fuzz {

class ScratchFile {
public:
    // Creates path, or takes the file there over; removed again when the program ends.
    explicit ScratchFile(std::string path) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            std::perror(path_.c_str());
            std::abort();
        }
    }
    ~ScratchFile() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

    void replace(const void* data, std::size_t size) {
        if (size > 0 && ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)) {
            std::abort();
        }
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
            std::abort();
        }
    }

private:
    std::string path_;
    int fd_ = -1;
};

} // namespace quovent::fuzz
