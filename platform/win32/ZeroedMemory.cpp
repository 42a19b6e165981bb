// Zeroed memory on Windows: VirtualAlloc's committed pages read as zero and take a physical
// page only when first touched. Windows has no call that turns written pages back into
// zero pages while another thread may still read them (decommitting would make a reader
// fault; discarding leaves undefined bytes), so releasePages declines and the caller writes
// the zeros itself.
#include "platform/ZeroedMemory.hpp"

#include <windows.h>

#include <cstdint>

namespace quovent::platform {

std::size_t ZeroedMemory::pageSize() noexcept {
    static const std::size_t size = [] {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        return info.dwPageSize > 0 ? static_cast<std::size_t>(info.dwPageSize) : std::size_t{4096};
    }();
    return size;
}

ZeroedMemory::ZeroedMemory(std::size_t bytes) noexcept {
    const std::size_t page = pageSize();
    if (bytes == 0 || bytes > SIZE_MAX - page) {
        return;
    }
    const std::size_t size = (bytes + page - 1) / page * page;
    void* const p = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p != nullptr) {
        data_ = static_cast<std::byte*>(p);
        size_ = size;
    }
}

ZeroedMemory::~ZeroedMemory() {
    if (data_ != nullptr) {
        VirtualFree(data_, 0, MEM_RELEASE);
    }
}

bool ZeroedMemory::releasePages(std::size_t offset, std::size_t bytes) noexcept {
    if (data_ == nullptr || offset > size_ || bytes > size_ - offset) {
        return false;
    }
    return bytes == 0;
}

} // namespace quovent::platform
