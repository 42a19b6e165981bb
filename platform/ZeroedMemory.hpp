// A block of memory that reads as zero until written and whose pages the system commits only
// when they are first written, so a large buffer costs nothing where it is never used. The
// block never moves for its whole life. Each backend takes it from the system (linux/: an
// anonymous private mapping; win32/: committed VirtualAlloc pages).
#pragma once

#include <cstddef>

namespace quovent::platform {

class ZeroedMemory {
public:
    // At least bytes bytes, rounded up to whole pages. data() is null when the system gave
    // none.
    explicit ZeroedMemory(std::size_t bytes) noexcept;
    ~ZeroedMemory();
    ZeroedMemory(const ZeroedMemory&) = delete;
    ZeroedMemory& operator=(const ZeroedMemory&) = delete;

    std::byte* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

    // The system's page size in bytes.
    static std::size_t pageSize() noexcept;

    // Makes the whole pages in [offset, offset + bytes) (both multiples of pageSize()) read
    // as zero again and gives their memory back to the system. Another thread may read them
    // meanwhile and sees either the old bytes or zeros. False when the system cannot do
    // that: the caller then writes the zeros itself.
    bool releasePages(std::size_t offset, std::size_t bytes) noexcept;

private:
    std::byte* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace quovent::platform
