// Zeroed memory on Linux: an anonymous private mapping is zero-filled on demand, page by
// page, and MADV_DONTNEED turns written pages back into such pages.
#include "platform/ZeroedMemory.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace quovent::platform {

std::size_t ZeroedMemory::pageSize() noexcept {
    static const std::size_t size = [] {
        const long n = sysconf(_SC_PAGESIZE);
        return n > 0 ? static_cast<std::size_t>(n) : std::size_t{4096};
    }();
    return size;
}

ZeroedMemory::ZeroedMemory(std::size_t bytes) noexcept {
    const std::size_t page = pageSize();
    if (bytes == 0 || bytes > SIZE_MAX - page) {
        return;
    }
    const std::size_t size = (bytes + page - 1) / page * page;
    // No swap is reserved for pages that are never written.
    void* const p = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p != MAP_FAILED) {
        data_ = static_cast<std::byte*>(p);
        size_ = size;
    }
}

ZeroedMemory::~ZeroedMemory() {
    if (data_ != nullptr) {
        munmap(data_, size_);
    }
}

bool ZeroedMemory::releasePages(std::size_t offset, std::size_t bytes) noexcept {
    if (data_ == nullptr || offset > size_ || bytes > size_ - offset) {
        return false;
    }
    if (bytes == 0) {
        return true;
    }
    return madvise(data_ + offset, bytes, MADV_DONTNEED) == 0;
}

} // namespace quovent::platform
