// A small reader of the RIFF chunk layout: a byte-mode file stream and a stack of the chunks
// entered so far, the last one being the current chunk.
//
// Nothing read from the file is trusted: offsets are 64-bit so that sizes near 0xFFFFFFFF
// cannot wrap, every search for a child stays within its parent's declared size, and the
// stack has a fixed depth so entering chunks never allocates. Editor thread only.
#pragma once

#include "platform/Capacities.hpp"
#include "platform/InputFile.hpp"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quovent {

// One entry of the chunk stack.
struct RiffChunk {
    char id[5] = {};            // identifier as stored, NUL-terminated
    std::uint32_t size = 0;     // data bytes; for RIFF and LIST without the 4-byte form type
    char formType[5] = {};      // RIFF and LIST only, otherwise empty
    std::int64_t dataStart = 0; // file offset right after the header (and form type)
    std::int64_t dataEnd = 0;   // dataStart + size, rounded up to even: behind the pad byte
};

class RiffReader {
public:
    // Opens the file and enters its first chunk, which must be "RIFF". On any failure the
    // file is closed again and isOpen() is false.
    explicit RiffReader(const char* path) noexcept;
    ~RiffReader();
    RiffReader(const RiffReader&) = delete;
    RiffReader& operator=(const RiffReader&) = delete;

    bool isOpen() const noexcept { return file_.isOpen(); }

    // Finds the first child of the current chunk (in file order, within the current chunk's
    // declared size) whose identifier equals the 4 bytes of id exactly, enters it and leaves
    // the stream at its data. False, with the stream back at the current chunk's data,
    // when there is none.
    bool descend(const char* id) noexcept;
    // Moves behind the current chunk and its pad byte and leaves it. False, and no change,
    // unless a chunk other than the outermost one is current.
    bool ascend() noexcept;

    // The current chunk; size 0 and nullptr texts when no chunk is entered.
    std::uint32_t size() const noexcept;
    const char* id() const noexcept;
    const char* formType() const noexcept; // nullptr when the chunk has none
    const RiffChunk* current() const noexcept;

    // Reads up to bytes bytes at the stream position; returns how many were read.
    std::size_t read(void* buffer, std::size_t bytes) noexcept;
    // Total length of the file in bytes, measured when it was opened.
    std::int64_t fileSize() const noexcept { return fileSize_; }

    void close() noexcept;

private:
    bool seek(std::int64_t offset) noexcept;
    std::int64_t tell() noexcept;
    // Reads a chunk header at the stream position; false when the file ends inside it.
    bool readHeader(RiffChunk& chunk) noexcept;
    bool enterFirstChunk() noexcept;
    bool push(const RiffChunk& chunk) noexcept;

    platform::InputFile file_;
    std::int64_t fileSize_ = 0;
    std::array<RiffChunk, capacity::kRiffDepth> stack_{};
    int depth_ = 0;
};

} // namespace quovent
