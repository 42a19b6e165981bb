// A file opened for reading in byte mode, with 64-bit offsets (a RIFF chunk may reach past
// 2 GB, and long is 32 bits on Windows). Paths are UTF-8; the Windows backend opens them
// through the wide API so that names outside the system's code page open too. One thread
// at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace quovent::platform {

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Closes a file already open, then opens path. False when it cannot be opened.
    bool open(const char* path) noexcept;
    bool isOpen() const noexcept { return file_ != nullptr; }
    void close() noexcept;

    // Up to bytes bytes from the current position; the number read.
    std::size_t read(void* buffer, std::size_t bytes) noexcept;
    // Moves to an offset from the start; false (position unchanged) for a negative offset or
    // a failed seek.
    bool seek(std::int64_t offset) noexcept;
    // Moves to the end; false on failure.
    bool seekToEnd() noexcept;
    // The current position; negative on failure.
    std::int64_t tell() noexcept;

private:
    std::FILE* file_ = nullptr;
};

} // namespace quovent::platform
